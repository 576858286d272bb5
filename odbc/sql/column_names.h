#pragma once
// SQL names for statement text: the table name, column names and the
// identifier rule that quotes reserved words.

#include <string>
#include <string_view>

#include "odbc/dispatch/driver_state.h"

namespace dbprobe::odbc {

class DataSource;

// The built-in reserved words (ABSOLUTE to YEAR), one sorted comma-separated text.
std::string_view ReservedWords();

// Whether name is in a comma-separated word list that is scanned as sorted:
// the scan ends at the first word that sorts after the name.
bool InWordList(std::string_view name, std::string_view list);

// The identifier rule: quoted (and upper-cased unless the server keeps quoted
// identifiers case-sensitive) when the name is a reserved word or holds a
// blank, never when it holds a '.' or already starts with the quote.
std::string ApplyIdentifierRule(std::string_view name, const DataSource& source);

// The label without its prefix up to and including ':'.
std::string_view WithoutPrefix(std::string_view label);

// Computes the SQL table name and the label-derived column names of a
// connected file (asks the server for its keywords once per data source).
void PrepareNames(DriverState& file);

}  // namespace dbprobe::odbc
