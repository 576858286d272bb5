#pragma once
// REMOVE: drops the table.

#include "odbc/dispatch/handlers.h"

namespace dbprobe::odbc {

// "DROP TABLE " + the declared table name as it stands, on the file's current
// data source; the main statement is released whatever the outcome.
int RemoveTable(OperationContext& ctx);

}  // namespace dbprobe::odbc
