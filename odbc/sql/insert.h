#pragma once
// ADD and APPEND: the record as a new row, through one prepared INSERT per
// file with the BLOBs sent as data at execution.

#include "odbc/dispatch/handlers.h"
#include "odbc/session/statement.h"

namespace dbprobe::odbc {

int InsertRecord(OperationContext& ctx);

// Sends the rows that batch mode has buffered, if any; returns 0 or the error
// code of the send.
int SendBatch(DriverState& file);

// The data-at-execution loop after an execution that answered `rc`: sends
// each BLOB the server asks for, whole, in one SQLPutData (a text BLOB with
// its terminating zero).
SQLRETURN SendBlobs(Statement& statement, SQLRETURN rc);

}  // namespace dbprobe::odbc
