#include "odbc/sql/literals.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "odbc/sql/conversions.h"

namespace dbprobe::odbc {
namespace {

bool AllBytes(const char* bytes, int size, char value) {
    return std::all_of(bytes, bytes + size, [value](char c) { return c == value; });
}

// The runtime's time picture @T04: hh:mm:ss.
std::string TimeText(const TimeValue& time) {
    char text[16];
    std::snprintf(text, sizeof text, "%.2d:%.2d:%.2d", time.hours, time.minutes, time.seconds);
    return text;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::string DateLiteral(const char* bytes) {
    if (AllBytes(bytes, 4, '\0')) return "NULL";
    const DateValue date = ReadDate(bytes);
    char text[48];
    std::snprintf(text, sizeof text, "{d '%ld-%.2ld-%.2ld'}", static_cast<long>(date.year),
                  static_cast<long>(date.month), static_cast<long>(date.day));
    return text;
}

std::string TimeLiteral(const char* bytes) {
    if (AllBytes(bytes, 4, '\0')) return "NULL";
    return "{t '" + TimeText(ReadTime(bytes)) + "'}";
}

std::string TimestampLiteral(const char* bytes) {
    if (AllBytes(bytes, 8, '\0') || AllBytes(bytes, 8, ' ')) return "NULL";
    const DateValue date = ReadDate(bytes);
    char text[64];
    std::snprintf(text, sizeof text, "{ts '%.2ld-%.2ld-%.2ld %s'}", static_cast<long>(date.year),
                  static_cast<long>(date.month), static_cast<long>(date.day),
                  TimeText(ReadTime(bytes + 4)).c_str());
    return text;
}

std::optional<ScalarFunction> MapScalarFunction(std::string_view name,
                                                std::uint32_t stringFunctions) {
    struct Mapping {
        std::string_view runtimeName;
        std::string_view open;
        std::uint32_t bit;
    };
    static constexpr Mapping kMappings[] = {
        {"UPPER", "{fn UCASE", SQL_FN_STR_UCASE},
        {"LOWER", "{fn LCASE", SQL_FN_STR_LCASE},
        {"SOUNDEX", "{fn SOUNDEX", SQL_FN_STR_SOUNDEX},
        {"CHAR", "{fn CHAR", SQL_FN_STR_CHAR},
    };
    for (const Mapping& mapping : kMappings) {
        if (!EqualsNoCase(name, mapping.runtimeName)) continue;
        // Without the function only the parenthesised argument remains.
        if ((stringFunctions & mapping.bit) == 0) return ScalarFunction{" ", ""};
        return ScalarFunction{mapping.open, "}"};
    }
    return std::nullopt;
}

}  // namespace dbprobe::odbc
