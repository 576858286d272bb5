#pragma once
// ADD and APPEND: the record as a new row, through one prepared INSERT per
// file with the BLOBs sent as data at execution.

#include "odbc/dispatch/handlers.h"

namespace dbprobe::odbc {

int InsertRecord(OperationContext& ctx);

}  // namespace dbprobe::odbc
