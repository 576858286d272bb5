// OPEN against the real drivers and servers.

#include <gtest/gtest.h>

#include "odbc/dispatch/operation.h"
#include "odbc/session/environment.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/session/statement_calls.h"
#include "odbc/sql/open.h"
#include "tests/support/attached_table.h"
#include "tests/support/test_dsns.h"
#include "tests/support/trace_capture.h"

namespace dbprobe::odbc {
namespace {

using testing::AttachedTable;

constexpr std::int64_t kReadWriteDenyWrite = 0x22;

using testing::RunSql;

// Destroys instances of the test table until its declaration is no longer
// counted as verified (the list is process-wide).
void ForgetVerification(const std::string& dsn) {
    for (bool more = true; more;) {
        AttachedTable any(dsn);
        more = VerifiedTableCount(any.table.File()) > 1;
        any.Run(op::DESTROY);
    }
}

class OpenRealTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        DBPROBE_REQUIRE_DSN(GetParam());
        RunSql(GetParam(), "DROP TABLE Test_Korvelandix");
        ForgetVerification(GetParam());
        ClearErrors();
    }
    void TearDown() override {
        if (testing::DsnAvailable(GetParam())) {
            RunSql(GetParam(), "DROP TABLE Test_Korvelandix");
            ForgetVerification(GetParam());
        }
        EndProgram();
    }
    static int Run(AttachedTable& table, int operation, Arguments args = {}) {
        table.Run(operation, std::move(args));
        return CurrentErrors().errorCode;
    }
    static int Open(AttachedTable& table) {
        return Run(table, op::OPEN, Arguments::WithNumbers({kReadWriteDenyWrite}));
    }
};

TEST_P(OpenRealTest, OpensTheCreatedTableWithOneCatalogLookup) {
    testing::TraceCapture trace;
    AttachedTable table(GetParam());
    table.vars.primaryKeyName.Assign("KeyTstCislo");
    table.vars.secondKeyName.Assign("KeyTstNazev");
    ASSERT_EQ(Run(table, op::CREATE), 0) << CurrentErrors().fileErrorText;
    ASSERT_EQ(Open(table), 0) << CurrentErrors().fileErrorCode << " "
                              << CurrentErrors().fileErrorText << "\n" << trace.Text();
    EXPECT_EQ(trace.Count("Getting columns for"), 1) << trace.Text();
    EXPECT_EQ(trace.Count(" : SELECT CISLO,NAZEV,POZNAMKA FROM Test_Korvelandix WHERE 0 = 1"), 1);
    EXPECT_NE(table.State().mainStatement.statement, nullptr);
    EXPECT_EQ(table.State().openMode, kReadWriteDenyWrite);

    // Verified and described: the second OPEN sends neither a catalog query
    // nor a describe statement.
    ASSERT_EQ(Run(table, op::CLOSE), 0);
    ASSERT_EQ(Open(table), 0) << CurrentErrors().fileErrorText;
    EXPECT_EQ(trace.Count("Getting columns for"), 1);
    EXPECT_EQ(trace.Count("Preparing Statement "), 1);
}

TEST_P(OpenRealTest, AMissingTableIsFileNotFound) {
    AttachedTable table(GetParam());
    EXPECT_EQ(Open(table), 2) << CurrentErrors().fileErrorText;
    EXPECT_EQ(table.State().mainStatement.statement, nullptr);
}

TEST_P(OpenRealTest, AMissingColumnNamesTheField) {
    testing::TraceCapture trace;
    RunSql(GetParam(), "CREATE TABLE Test_Korvelandix (CISLO INTEGER, POZNAMKA VARCHAR(20))");
    AttachedTable table(GetParam());
    EXPECT_EQ(Open(table), 47);
    EXPECT_EQ(CurrentErrors().fileErrorCode, "FIELD : 2 : NAME : D00001");
    EXPECT_EQ(CurrentErrors().fileErrorText, "Component does not match physical file structure");
    EXPECT_EQ(trace.Count("Invalid field name: NAZEV"), 1) << trace.Text();
}

INSTANTIATE_TEST_SUITE_P(Backends, OpenRealTest,
                         ::testing::Values("dbprobe-sqlite", "dbprobe-pg", "dbprobe-maria"),
                         testing::DsnTestName());

}  // namespace
}  // namespace dbprobe::odbc
