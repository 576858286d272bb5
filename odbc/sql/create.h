#pragma once
// CREATE: the table and its indexes from the declaration, with the column
// types the server itself reports.

#include "odbc/dispatch/handlers.h"

namespace dbprobe::odbc {

int CreateTable(OperationContext& ctx);

// The SQL index name of a key: its external name up to the first '/', else
// its label with every ':' replaced by '_'.
std::string IndexName(const KeyState& key);

}  // namespace dbprobe::odbc
