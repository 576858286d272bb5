// BUILDfile and BUILDkey against the scripted fake driver manager.

#include <gtest/gtest.h>

#include <sqlext.h>

#include "odbc/dispatch/operation.h"
#include "odbc/session/runtime_error_state.h"
#include "tests/support/attached_table.h"
#include "tests/support/fake_session.h"

namespace dbprobe::odbc {
namespace {

using testing::AttachedTable;

class BuildIndexesTest : public testing::FakeOdbcTest {
protected:
    static void Prepare(AttachedTable& table) {
        table.vars.driverString.Assign("/NOVERIFY=TRUE");
        table.vars.primaryKeyName.Assign("KeyTstCislo");
        table.vars.secondKeyName.Assign("KeyTstNazev");
        table.Run(op::DESTROY);
        // OPEN describes the columns of the test table once.
        static const char* names[] = {"CISLO", "NAZEV", "POZNAMKA"};
        fake_odbc_queue_result_set(3, names, 0, nullptr);
    }
};

TEST_F(BuildIndexesTest, AClosedFileIsOpenedForTheBuildAndEveryIndexMadeAgain) {
    AttachedTable table("MYDSN");
    Prepare(table);
    table.Run(op::BUILDfile);
    EXPECT_EQ(CurrentErrors().errorCode, 0) << CurrentErrors().fileErrorText;
    const std::vector<std::string> expected = {
        "DROP INDEX KeyTstCislo", "CREATE UNIQUE INDEX KeyTstCislo ON Test_Korvelandix (CISLO )",
        "DROP INDEX KeyTstNazev", "CREATE INDEX KeyTstNazev ON Test_Korvelandix (NAZEV ,CISLO )"};
    EXPECT_EQ(Texts("SQLExecDirect"), expected);
    EXPECT_FALSE(table.State().IsOpen());
    EXPECT_EQ(table.State().mainStatement.statement, nullptr);
}

TEST_F(BuildIndexesTest, TheFirstFailureEndsTheBuild) {
    AttachedTable table("MYDSN");
    Prepare(table);
    Push("SQLExecDirect", SQL_ERROR, "S0012", "[Fake]no such index");
    table.Run(op::BUILDfile);
    EXPECT_EQ(CurrentErrors().errorCode, 90);
    EXPECT_EQ(CurrentErrors().fileErrorCode, "S0012");
    EXPECT_EQ(Texts("SQLExecDirect"), std::vector<std::string>{"DROP INDEX KeyTstCislo"});
}

TEST_F(BuildIndexesTest, BuildKeyRebuildsItsOneKey) {
    AttachedTable table("MYDSN");
    Prepare(table);
    table.Run(op::BUILDkey, Arguments::WithKey(&table.table.NameKey()));
    EXPECT_EQ(CurrentErrors().errorCode, 0) << CurrentErrors().fileErrorText;
    const std::vector<std::string> expected = {
        "DROP INDEX KeyTstNazev", "CREATE INDEX KeyTstNazev ON Test_Korvelandix (NAZEV ,CISLO )"};
    EXPECT_EQ(Texts("SQLExecDirect"), expected);
}

}  // namespace
}  // namespace dbprobe::odbc
