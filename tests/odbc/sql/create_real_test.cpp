// CREATE against the real drivers and servers.

#include <gtest/gtest.h>

#include "odbc/dispatch/operation.h"
#include "odbc/session/environment.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/session/statement_calls.h"
#include "tests/support/attached_table.h"
#include "tests/support/test_dsns.h"
#include "tests/support/trace_capture.h"

namespace dbprobe::odbc {
namespace {

using testing::AttachedTable;

struct Backend {
    const char* dsn;
    const char* table;  // the CREATE TABLE the server's type names give
    bool secondCreateSucceeds;
    const char* secondCreateState;
};

std::ostream& operator<<(std::ostream& out, const Backend& b) { return out << b.dsn; }

using testing::RunSql;

class CreateRealTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        DBPROBE_REQUIRE_DSN(GetParam().dsn);
        RunSql(GetParam().dsn, "DROP TABLE Test_Korvelandix");
        RunSql(GetParam().dsn, "DROP TABLE Other_Table");
        ClearErrors();
    }
    void TearDown() override {
        if (testing::DsnAvailable(GetParam().dsn)) {
            RunSql(GetParam().dsn, "DROP TABLE Test_Korvelandix");
            RunSql(GetParam().dsn, "DROP TABLE Other_Table");
        }
        EndProgram();
    }
    static int Create(AttachedTable& table) {
        table.vars.primaryKeyName.Assign("KeyTstCislo");
        table.vars.secondKeyName.Assign("KeyTstNazev");
        table.Run(op::CREATE);
        return CurrentErrors().errorCode;
    }
};

TEST_P(CreateRealTest, CreatesTheTestTableWithTheServersTypeNames) {
    testing::TraceCapture trace;
    AttachedTable table(GetParam().dsn);
    ASSERT_EQ(Create(table), 0) << CurrentErrors().fileErrorCode << " " << CurrentErrors().fileErrorText;
    const std::vector<std::string> sent = trace.Executed();
    const std::vector<std::string> expected = {
        GetParam().table, "CREATE UNIQUE INDEX KeyTstCislo ON Test_Korvelandix (CISLO )",
        "CREATE INDEX KeyTstNazev ON Test_Korvelandix (NAZEV ,CISLO )"};
    EXPECT_EQ(sent, expected) << trace.Text();

    // The second CREATE through the same data source reuses the type tables;
    // what the server answers for the existing table decides the outcome.
    const int second = Create(table);
    EXPECT_EQ(trace.Count("Getting Type Information with"), 1);
    if (GetParam().secondCreateSucceeds) {
        EXPECT_EQ(second, 0) << CurrentErrors().fileErrorText;
    } else {
        EXPECT_EQ(second, 90);
        EXPECT_EQ(CurrentErrors().fileErrorCode, GetParam().secondCreateState);
        EXPECT_FALSE(CurrentErrors().fileErrorText.empty());
    }
}

TEST_P(CreateRealTest, AnIndexNameTakenElsewhereLeavesNoTable) {
    if (std::string(GetParam().dsn) == "dbprobe-maria")
        GTEST_SKIP() << "MariaDB index names are per table; the name cannot be taken elsewhere";
    RunSql(GetParam().dsn, "CREATE TABLE Other_Table (A INTEGER)");
    RunSql(GetParam().dsn, "CREATE INDEX KeyTstNazev ON Other_Table (A)");
    AttachedTable table(GetParam().dsn);
    EXPECT_EQ(Create(table), 90);
    const std::string state = CurrentErrors().fileErrorCode;
    EXPECT_FALSE(state.empty());

    // The table is gone again: creating it by hand succeeds.
    AttachedTable probe(GetParam().dsn);
    ASSERT_EQ(probe.Connect(), 0);
    EXPECT_TRUE(SQL_SUCCEEDED(ExecuteDirect(probe.Main(), "CREATE TABLE Test_Korvelandix (A INTEGER)")))
        << CurrentErrors().fileErrorText;
}

TEST_P(CreateRealTest, RemoveDropsTheTableAndReportsAMissingOne) {
    AttachedTable table(GetParam().dsn);
    ASSERT_EQ(Create(table), 0) << CurrentErrors().fileErrorText;
    table.Run(op::REMOVE);
    EXPECT_EQ(CurrentErrors().errorCode, 0) << CurrentErrors().fileErrorText;
    table.Run(op::REMOVE);  // the table is gone now
    EXPECT_EQ(CurrentErrors().errorCode, 90);
    EXPECT_FALSE(CurrentErrors().fileErrorText.empty());
}

TEST_P(CreateRealTest, BuildFileDropsAndCreatesTheIndexesAgain) {
    AttachedTable table(GetParam().dsn);
    table.Run(op::DESTROY);  // descriptions of another backend must not stand in
    ASSERT_EQ(Create(table), 0) << CurrentErrors().fileErrorText;
    table.Run(op::BUILDfile);
    if (std::string(GetParam().dsn) == "dbprobe-maria") {
        // MariaDB wants "DROP INDEX name ON table": the statement without the
        // table is refused, and the caller sees the server's answer.
        EXPECT_EQ(CurrentErrors().errorCode, 90);
        EXPECT_EQ(CurrentErrors().fileErrorCode, "37000");
    } else {
        EXPECT_EQ(CurrentErrors().errorCode, 0) << CurrentErrors().fileErrorText;
    }
    EXPECT_FALSE(table.State().IsOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Backends, CreateRealTest,
    ::testing::Values(
        Backend{"dbprobe-sqlite",
                "CREATE TABLE Test_Korvelandix (CISLO integer NOT NULL,NAZEV char(255), POZNAMKA text)",
                false, "S1000"},
        Backend{"dbprobe-pg",
                "CREATE TABLE Test_Korvelandix (CISLO int4 NOT NULL,NAZEV char(255), POZNAMKA text)",
                false, "42P07"},
        Backend{"dbprobe-maria",
                "CREATE TABLE Test_Korvelandix (CISLO INTEGER NOT NULL,NAZEV CHAR(255), POZNAMKA LONG VARCHAR)",
                true, ""}),
    testing::DsnTestName());

}  // namespace
}  // namespace dbprobe::odbc
