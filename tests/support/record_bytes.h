#pragma once
// DATE and TIME values in the record layer's 4-byte storage.

#include <string>

#include "odbc/sql/conversions.h"

namespace dbprobe::testing {

inline std::string Date(int day, int month, int year) {
    std::string bytes(4, '\0');
    odbc::WriteDate({day, month, year}, bytes.data());
    return bytes;
}

inline std::string Time(int hours, int minutes, int seconds, int hundredths) {
    std::string bytes(4, '\0');
    odbc::WriteTime({hundredths, seconds, minutes, hours}, bytes.data());
    return bytes;
}

}  // namespace dbprobe::testing
