#pragma once
// Changing the current row on the server: DELETE and PUT identify it by the
// values it had when it was read or written, not by the record buffer.
// EMPTY deletes every row; WATCH asks PUT to check that nobody changed it.

#include "odbc/dispatch/handlers.h"

namespace dbprobe::odbc {

int DeleteRecord(OperationContext& ctx);
int PutRecord(OperationContext& ctx);
int EmptyTable(OperationContext& ctx);
int Watch(OperationContext& ctx);

}  // namespace dbprobe::odbc
