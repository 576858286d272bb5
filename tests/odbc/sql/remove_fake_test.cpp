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

TEST_F(RemoveTest, CloseThenRemoveSendsOneStatementAndKeepsTheConnection) {
    AttachedTable table("MYDSN");
    table.vars.driverString.Assign("/NOVERIFY=TRUE");
    table.Run(op::DESTROY);
    static const char* names[] = {"CISLO", "NAZEV", "POZNAMKA"};
    fake_odbc_queue_result_set(3, names, 0, nullptr);
    table.Run(op::OPEN, Arguments::WithNumbers({0x22}));
    ASSERT_EQ(CurrentErrors().errorCode, 0) << CurrentErrors().fileErrorText;

    const std::size_t before = Texts("SQLExecDirect").size();
    table.Run(op::REMOVE);  // the file is open
    EXPECT_EQ(CurrentErrors().errorCode, 52);
    EXPECT_EQ(Texts("SQLExecDirect").size(), before);

    table.Run(op::CLOSE);
    table.Run(op::REMOVE);
    EXPECT_EQ(CurrentErrors().errorCode, 0);
    const std::vector<std::string> sent = Texts("SQLExecDirect");
    ASSERT_EQ(sent.size(), before + 1);
    EXPECT_EQ(sent.back(), "DROP TABLE Test_Korvelandix");

    table.Run(op::OPEN, Arguments::WithNumbers({0x22}));
    EXPECT_EQ(CurrentErrors().errorCode, 0);
    EXPECT_EQ(Calls("SQLDriverConnect"), 1);  // CLOSE left the connection open
}

}  // namespace
}  // namespace dbprobe::odbc
