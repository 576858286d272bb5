#include "odbc/sql/literals.h"

#include <sqlext.h>

#include <gtest/gtest.h>

#include <string>

#include "odbc/sql/conversions.h"
#include "tests/support/record_bytes.h"

namespace dbprobe::odbc {
namespace {

using testing::Date;
using testing::Time;

TEST(Literals, DatesAndTimes) {
    struct Case {
        std::string (*format)(const char*);
        std::string bytes;
        const char* literal;
    };
    const Case cases[] = {
        {DateLiteral, Date(29, 2, 2024), "{d '2024-02-29'}"},
        {DateLiteral, Date(1, 1, 5), "{d '5-01-01'}"},
        {DateLiteral, Date(0, 0, 0), "NULL"},
        {TimeLiteral, Time(7, 5, 3, 99), "{t '07:05:03'}"},
        {TimeLiteral, Time(0, 0, 0, 0), "NULL"},
        {TimeLiteral, Time(0, 0, 0, 1), "{t '00:00:00'}"},
        {TimestampLiteral, Date(31, 12, 1999) + Time(23, 59, 58, 50),
         "{ts '1999-12-31 23:59:58'}"},
        {TimestampLiteral, Date(1, 1, 5) + Time(0, 0, 0, 0), "{ts '05-01-01 00:00:00'}"},
        {TimestampLiteral, Date(0, 0, 0) + Time(1, 0, 0, 0), "{ts '00-00-00 01:00:00'}"},
        {TimestampLiteral, std::string(8, '\0'), "NULL"},
        {TimestampLiteral, std::string(8, ' '), "NULL"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.format(c.bytes.data()), c.literal);
    }
}

TEST(Literals, ScalarFunctions) {
    const std::uint32_t all =
        SQL_FN_STR_UCASE | SQL_FN_STR_LCASE | SQL_FN_STR_SOUNDEX | SQL_FN_STR_CHAR;
    struct Case {
        const char* name;
        std::uint32_t reported;
        const char* open;
        const char* close;
    };
    const Case cases[] = {
        {"UPPER", all, "{fn UCASE", "}"},
        {"lower", all, "{fn LCASE", "}"},
        {"Soundex", all, "{fn SOUNDEX", "}"},
        {"CHAR", all, "{fn CHAR", "}"},
        {"UPPER", SQL_FN_STR_UCASE, "{fn UCASE", "}"},
        {"UPPER", all & ~SQL_FN_STR_UCASE, " ", ""},
        {"LOWER", SQL_FN_STR_UCASE, " ", ""},
        {"SOUNDEX", 0, " ", ""},
        {"CHAR", SQL_FN_STR_CONCAT, " ", ""},
    };
    for (const Case& c : cases) {
        const auto mapped = MapScalarFunction(c.name, c.reported);
        ASSERT_TRUE(mapped.has_value()) << c.name;
        EXPECT_EQ(mapped->open, c.open) << c.name << " " << c.reported;
        EXPECT_EQ(mapped->close, c.close) << c.name << " " << c.reported;
    }
    EXPECT_FALSE(MapScalarFunction("SUB", all).has_value());
    EXPECT_FALSE(MapScalarFunction("UPPERX", all).has_value());
}

}  // namespace
}  // namespace dbprobe::odbc
