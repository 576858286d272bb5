#include "odbc/session/diagnostics.h"

#include <gtest/gtest.h>

namespace dbprobe::odbc {
namespace {

TEST(Diagnostics, StripTagsRemovesLeadingBracketedTagsOnly) {
    struct Case {
        const char* message;
        const char* expected;
    };
    const Case cases[] = {
        {"[Microsoft][ODBC SQL Server Driver][SQL Server]Invalid object name 'X'.",
         "Invalid object name 'X'."},
        {"[unixODBC][Driver Manager]Data source name not found and no default driver specified",
         "Data source name not found and no default driver specified"},
        {"[unclosed tag and text", "[unclosed tag and text"},
        {"[a][unclosed", "[unclosed"},
        {"no tags [here]", "no tags [here]"},
        {"ERROR: relation \"x\" does not exist;\nError while executing the query",
         "ERROR: relation \"x\" does not exist;\nError while executing the query"},
        {"[a][b]", ""},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(StripTags(c.message), c.expected) << c.message;
}

}  // namespace
}  // namespace dbprobe::odbc
