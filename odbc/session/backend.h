#pragma once
// Recognising a few known backends from the ODBC driver's file name, and the
// quirks each one switches on.

#include <optional>
#include <string>
#include <string_view>

namespace dbprobe::odbc {

namespace backend {
inline constexpr int Unknown = 0, Access = 1, Oracle = 2, SqlServer5 = 3, SqlServer6 = 4,
                     FirstSql = 5, SqlAnywhere = 6, PervasiveSql = 7, As400 = 8, Oracle8 = 9,
                     MySql = 10, SqlServer7 = 11;
}

namespace jointype {
inline constexpr int Unset = 0, Watcom = 1, Microsoft = 2, FirstSql = 3, Db2 = 4, Inner = 5,
                     None = 6;
}
namespace nesting {
inline constexpr int Unset = 0, False = 1, Partial = 2, True = 3;
}

// What the server told about itself that recognition reads.
struct BackendProbe {
    std::string driverName;  // SQL_DRIVER_NAME
    std::string dbmsVersion;  // SQL_DBMS_VER
    std::string driverVersion;  // SQL_DRIVER_VER
};

struct BackendQuirks {
    int number = backend::Unknown;
    std::string name;  // empty: nothing to trace by name
    std::optional<bool> clipStrings;
    std::optional<bool> fastColumnFetch;
    std::optional<int> bindColOrder;
    std::optional<int> joinType;
    std::optional<int> nesting;
    std::optional<bool> unlimitedStatements;
    std::optional<unsigned> maxStatements;
    // The unusable Access driver: a warning box and error 37.
    bool rejected = false;
};

// Which backend SQL_DRIVER_NAME names, and its quirks. The driver version and
// DBMS version are read only for the rows that need them.
BackendQuirks RecognizeBackend(const BackendProbe& probe);

// Compares dotted version texts field by field as decimal numbers.
int CompareVersions(std::string_view a, std::string_view b);

}  // namespace dbprobe::odbc
