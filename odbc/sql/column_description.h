#pragma once
// The server's description of the column behind a field or BLOB.

#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <string>

namespace dbprobe::odbc {

// Column access (ColumnDescription::access).
namespace access {
inline constexpr std::uint8_t Unknown = 0, Writable = 1, ReadOnly = 2;
}

// One field's (or BLOB's) column as the describe step left it.
struct ColumnDescription {
    bool typesComputed = false;  // cType and numberPicture are set
    bool described = false;      // the server's description has been read
    std::uint8_t access = access::Unknown;
    std::int16_t nullable = SQL_NULLABLE_UNKNOWN;
    std::int32_t columnSize = 0;  // precision as reported
    std::int16_t decimalDigits = 0;
    std::int16_t sqlType = SQL_UNKNOWN_TYPE;
    std::int16_t cType = 0;
    std::string numberPicture;  // DECIMAL and PDECIMAL; empty for other kinds
    bool noWhere = false;
    bool binary = false;
    bool zeroNotNull = false;
};

}  // namespace dbprobe::odbc
