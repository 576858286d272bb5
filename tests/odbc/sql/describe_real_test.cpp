// The describe step against the real drivers and servers.

#include <gtest/gtest.h>

#include <sqlext.h>

#include "odbc/dispatch/operation.h"
#include "odbc/session/environment.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/session/statement_calls.h"
#include "odbc/sql/describe.h"
#include "tests/support/attached_table.h"
#include "tests/support/test_dsns.h"
#include "tests/support/trace_capture.h"

namespace dbprobe::odbc {
namespace {

using testing::AttachedTable;

class DescribeRealTest : public ::testing::TestWithParam<const char*> {
protected:
    void TearDown() override {
        if (testing::DsnAvailable(GetParam())) testing::RunSql(GetParam(), "DROP TABLE Test_Korvelandix");
        EndProgram();
    }
};

TEST_P(DescribeRealTest, LearnsTheColumnTypesOnceForEveryInstance) {
    DBPROBE_REQUIRE_DSN(GetParam());
    testing::TraceCapture trace;
    AttachedTable table(GetParam());
    table.vars.primaryKeyName.Assign("KeyTstCislo");
    table.vars.secondKeyName.Assign("KeyTstNazev");
    table.Run(op::DESTROY);  // no descriptions left from another test
    table.Run(op::CREATE);
    ASSERT_EQ(CurrentErrors().errorCode, 0) << CurrentErrors().fileErrorText;

    ASSERT_EQ(DescribeColumns(table.State()), 0) << CurrentErrors().fileErrorText;
    const DriverState& state = table.State();
    EXPECT_EQ(state.fields[0].description.sqlType, SQL_INTEGER);
    EXPECT_EQ(state.fields[0].description.cType, SQL_C_SLONG);
    EXPECT_TRUE(state.fields[1].description.sqlType == SQL_CHAR ||
                state.fields[1].description.sqlType == SQL_VARCHAR ||
                state.fields[1].description.sqlType == SQL_WCHAR)
        << state.fields[1].description.sqlType;
    EXPECT_EQ(state.fields[1].description.cType, SQL_C_CHAR);
    EXPECT_EQ(state.blobs[0].description.cType, SQL_C_CHAR);
    EXPECT_EQ(state.fields[0].description.access, access::Writable);
    EXPECT_EQ(trace.Count("Preparing Statement "), 1);
    EXPECT_EQ(trace.Count(" : SELECT CISLO,NAZEV,POZNAMKA FROM Test_Korvelandix WHERE 0 = 1"), 1)
        << trace.Text();

    // Another instance of the same declaration takes the descriptions from the
    // registry and sends nothing.
    app::TestDat other(table.vars);
    Arguments args;
    CallDriver(op::NAME, other.File(), args);
    DriverState& otherState = *other.File().driverState;
    ASSERT_EQ(EnsureStatement(otherState, otherState.mainStatement), 0);
    LoadDescriptions(otherState);
    ASSERT_EQ(DescribeColumns(otherState), 0);
    EXPECT_EQ(otherState.fields[1].description.cType, SQL_C_CHAR);
    EXPECT_EQ(trace.Count("Preparing Statement "), 1);
}

INSTANTIATE_TEST_SUITE_P(Backends, DescribeRealTest,
                         ::testing::Values("dbprobe-sqlite", "dbprobe-pg", "dbprobe-maria"),
                         testing::DsnTestName());

}  // namespace
}  // namespace dbprobe::odbc
