#pragma once
// ADD and APPEND: the record as a new row, through one prepared INSERT per
// file with the BLOBs sent as data at execution.

#include "odbc/dispatch/handlers.h"

namespace dbprobe::odbc {

int InsertRecord(OperationContext& ctx);

// Sends the rows that batch mode has buffered, if any; returns 0 or the error
// code of the send.
int SendBatch(DriverState& file);

}  // namespace dbprobe::odbc
