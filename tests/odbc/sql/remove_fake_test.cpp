// REMOVE against the scripted fake driver manager.

#include <gtest/gtest.h>

#include "odbc/dispatch/operation.h"
#include "odbc/session/runtime_error_state.h"
#include "tests/support/attached_table.h"
#include "tests/support/fake_session.h"

namespace dbprobe::odbc {
namespace {

using testing::AttachedTable;

class RemoveTest : public testing::FakeOdbcTest {};

TEST_F(RemoveTest, DropsTheDeclaredNameAsItStands) {
    struct Case {
        const char* name;
        const char* expected;
    };
    // A reserved word would be quoted by CREATE; REMOVE sends it unquoted.
    const Case cases[] = {{"Test_Korvelandix", "DROP TABLE Test_Korvelandix"},
                          {"Select", "DROP TABLE Select"}};
    for (const Case& c : cases) {
        UseLibrary(FAKE_ODBC_LIBRARY);
        AttachedTable table("MYDSN");
        table.vars.tableName.Assign(c.name);
        table.Run(op::REMOVE);
        EXPECT_EQ(CurrentErrors().errorCode, 0);
        EXPECT_EQ(Texts("SQLExecDirect"), std::vector<std::string>{c.expected});
        EXPECT_EQ(table.State().mainStatement.statement, nullptr);
    }
}

TEST_F(RemoveTest, TheServersRefusalIsReported) {
    Push("SQLExecDirect", SQL_ERROR, "S0002", "[Fake]no such table");
    AttachedTable table("MYDSN");
    table.Run(op::REMOVE);
    EXPECT_EQ(CurrentErrors().errorCode, 90);
    EXPECT_EQ(CurrentErrors().fileErrorCode, "S0002");
    EXPECT_EQ(CurrentErrors().fileErrorText, "no such table");
    EXPECT_EQ(table.State().mainStatement.statement, nullptr);
}

}  // namespace
}  // namespace dbprobe::odbc
