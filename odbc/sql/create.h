#pragma once
// CREATE: the table and its indexes from the declaration, with the column
// types the server itself reports.

#include "odbc/dispatch/handlers.h"

namespace dbprobe::odbc {

int CreateTable(OperationContext& ctx);

class Statement;

// One CREATE [UNIQUE] INDEX for the key on the main statement, dropping an
// index of that name and trying again when the server says it exists.
int CreateIndex(DriverState& file, Statement& main, const KeyState& key);

// The SQL index name of a key: its external name up to the first '/', else
// its label with every ':' replaced by '_'.
std::string IndexName(const KeyState& key);

}  // namespace dbprobe::odbc
