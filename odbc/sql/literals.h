#pragma once
// Values and runtime functions written into statement text instead of being
// bound, in the ODBC escape forms.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dbprobe::odbc {

// "{d 'y-mm-dd'}" from DATE storage; "NULL" for a zero date.
std::string DateLiteral(const char* bytes);
// "{t 'hh:mm:ss'}" from TIME storage (hundredths dropped); "NULL" for a zero time.
std::string TimeLiteral(const char* bytes);
// "{ts 'yy-mm-dd hh:mm:ss'}" from the 8 bytes of a timestamp group; "NULL"
// when they are all zero (or all blanks, a timestamp never written).
std::string TimestampLiteral(const char* bytes);

// A runtime function in statement text: open + "(" + arguments + ")" + close.
struct ScalarFunction {
    std::string_view open;   // "{fn UCASE", or a single blank when the server lacks it
    std::string_view close;  // "}" or empty
};

// UPPER, LOWER, SOUNDEX and CHAR (any case) as the server's scalar functions
// when its SQL_STRING_FUNCTIONS bits report them; nothing for other names.
std::optional<ScalarFunction> MapScalarFunction(std::string_view name,
                                                std::uint32_t stringFunctions);

}  // namespace dbprobe::odbc
