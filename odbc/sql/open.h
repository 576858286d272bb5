#pragma once
// OPEN: checks once per declared file that the server's table has a column
// for every declared field, then readies the fields for the statements to come.

#include <optional>
#include <string>
#include <string_view>

#include "odbc/dispatch/handlers.h"

namespace dbprobe::odbc {

// OPEN and SHARE after the dispatcher's checks. Returns 0 or the error code.
int OpenTable(OperationContext& ctx);

// One instance of the declared file is gone (DESTROY without argument): its
// verified-table entry counts one less and goes away at zero.
void ForgetVerifiedTable(const FileDescriptor& file);

// How many successful OPENs the declared file's verified-table entry counts;
// 0 when it has none.
int VerifiedTableCount(const FileDescriptor& file);

// The catalog's view of a declared table name: the part before the first '.'
// (unless that '.' lies inside a quoted name) is the owner, and the table
// part is case-converted for identifierCase SQL_IC_UPPER (1) or SQL_IC_LOWER
// (2) unless it is quoted.
struct CatalogTable {
    std::optional<std::string> owner;
    std::string table;
};
CatalogTable CatalogTableName(std::string_view declared, std::string_view quote,
                              int identifierCase);

// Whether a field's column name names the server's column `server`.
// Case-insensitive, except for a quoted name on a server whose quoted
// identifiers are case-sensitive; a doubled quote stands for one.
bool ColumnNameMatches(std::string_view fieldColumn, std::string_view server,
                       std::string_view quote, bool quotedCaseSensitive);

}  // namespace dbprobe::odbc
