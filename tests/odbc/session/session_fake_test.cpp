// Sessions against the scripted fake driver manager: the faults real servers
// do not produce on demand.

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sqlext.h>

#include <climits>
#include <cstdlib>

#include "odbc/dispatch/operation.h"
#include "odbc/session/data_source.h"
#include "odbc/session/diagnostics.h"
#include "odbc/session/environment.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/session/session.h"
#include "odbc/session/statement.h"
#include "odbc/session/statement_calls.h"
#include "tests/support/attached_table.h"
#include "tests/support/fake_session.h"
#include "tools/fake_odbc/fake_odbc_control.h"

namespace dbprobe::odbc {
namespace {

using testing::AttachedTable;

constexpr const char* kBusy =
    "[Microsoft][ODBC SQL Server Driver]Connection is busy with results for another hstmt";

class FakeSessionTest : public testing::FakeOdbcTest {};

TEST_F(FakeSessionTest, AnOdbcFailureReachesTheCallerAs90WithStateAndUntaggedMessage) {
    Push("SQLDriverConnect", SQL_ERROR, "08001",
         "[unixODBC][Fake][Server]could not connect to server");
    AttachedTable file("MYDSN");
    EXPECT_EQ(file.Connect(), 90);
    EXPECT_EQ(CurrentErrors().fileErrorCode, "08001");
    EXPECT_EQ(CurrentErrors().fileErrorText, "could not connect to server");
    EXPECT_EQ(file.State().diagnostics.message, "[unixODBC][Fake][Server]could not connect to server");
    EXPECT_EQ(file.State().dataSource, nullptr);
    EXPECT_EQ(Calls("SQLFreeConnect"), 1);  // the failed connection is freed
}

TEST_F(FakeSessionTest, ConnectRetries) {
    struct Case {
        const char* what;
        const char* owner;
        const char* state;
        int failures;
        int expectedDriverConnects;
        int expectedConnects;
        int expectedResult;
    };
    const Case cases[] = {
        {"IM004 is retried to three attempts in all", "", "IM004", 5, 3, 0, 90},
        {"IM006 succeeds on the third attempt", "", "IM006", 2, 3, 0, 0},
        {"IM004 three times with an owner falls back to SQLConnect", "MYDSN", "IM004", 3, 3, 1, 0},
        {"IM002 with an owner falls back to SQLConnect", "MYDSN,sa,pw", "IM002", 1, 1, 1, 0},
        {"IM002 without an owner fails", "", "IM002", 1, 1, 0, 90},
        {"other states are not retried", "MYDSN", "08001", 1, 1, 0, 90},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UseLibrary(FAKE_ODBC_LIBRARY);
        Push("SQLDriverConnect", SQL_ERROR, c.state, "[Fake]no", c.failures);
        AttachedTable file(c.owner);
        EXPECT_EQ(file.Connect(), c.expectedResult);
        EXPECT_EQ(Calls("SQLDriverConnect"), c.expectedDriverConnects);
        EXPECT_EQ(Calls("SQLConnect"), c.expectedConnects);
        EXPECT_EQ(Calls("SQLAllocConnect"), Calls("SQLFreeConnect") + (c.expectedResult == 0));
    }
}

TEST_F(FakeSessionTest, SqlConnectGetsTheOwnerSplitAtItsFirstTwoCommas) {
    Push("SQLDriverConnect", SQL_ERROR, "IM001", "[Fake]no");
    AttachedTable file("\"My,DSN\",sa,pa,ss");
    ASSERT_EQ(file.Connect(), 0);
    EXPECT_NE(Log().find("SQLConnect My,DSN sa pa,ss"), std::string::npos) << Log();
}

TEST_F(FakeSessionTest, ConnectStringAndCompletionMode) {
    AttachedTable file("MYDSN,sa");
    ASSERT_EQ(file.Connect(), 0);
    EXPECT_NE(Log().find("SQLDriverConnect DSN=MYDSN;UID=sa completion=" +
                         std::to_string(SQL_DRIVER_COMPLETE_REQUIRED)),
              std::string::npos)
        << Log();
    EXPECT_EQ(file.State().dataSource->usesDriverConnect, 1);
}

TEST_F(FakeSessionTest, ADriverWithoutDriverConnectIsUsedThroughSqlConnectAfterwards) {
    fake_odbc_set_function_supported(SQL_API_SQLDRIVERCONNECT, 0);
    fake_odbc_set_info_number(SQL_ACTIVE_STATEMENTS, 1);
    AttachedTable first("MYDSN");
    AttachedTable second("MYDSN");
    ASSERT_EQ(first.Connect(), 0);
    EXPECT_EQ(first.State().dataSource->usesDriverConnect, 2);
    ASSERT_EQ(second.Connect(), 0);  // one statement per connection: a second one
    EXPECT_EQ(first.State().dataSource->connections.size(), 2u);
    EXPECT_EQ(Calls("SQLDriverConnect"), 1);
    EXPECT_EQ(Calls("SQLConnect"), 1);
}

TEST_F(FakeSessionTest, CapabilitiesAndStoredOptionsReachALaterConnection) {
    fake_odbc_set_info_number(SQL_ACTIVE_STATEMENTS, 1);
    fake_odbc_set_info_number(SQL_TXN_CAPABLE, SQL_TC_ALL);
    fake_odbc_set_connect_option(SQL_TXN_ISOLATION, 0);
    fake_odbc_set_info_text(SQL_IDENTIFIER_QUOTE_CHAR, " ");
    AttachedTable first("MYDSN");
    AttachedTable second("MYDSN");
    ASSERT_EQ(first.Connect(), 0);
    const DataSource& source = *first.State().dataSource;
    EXPECT_TRUE(source.capabilities.transactions);
    EXPECT_EQ(source.normalIsolation, SQL_TXN_READ_COMMITTED);  // 0 counts as read committed
    EXPECT_EQ(source.capabilities.identifierQuote, "");         // a blank means no quoting
    EXPECT_EQ(source.capabilities.maxStatements, 1u);
    const std::size_t before = Log().size();
    ASSERT_EQ(second.Connect(), 0);
    EXPECT_EQ(Calls("SQLAllocConnect"), 2);
    const std::string later = Log().substr(before);
    EXPECT_NE(later.find("SQLSetConnectOption 108 2"), std::string::npos) << later;
    EXPECT_NE(later.find("SQLSetConnectOption 102 1"), std::string::npos) << later;
}

TEST_F(FakeSessionTest, BackendChosenByTheDriverName) {
    struct Case {
        const char* driver;
        const char* dbmsVersion;
        int backend;
        unsigned maxStatements;
    };
    const Case cases[] = {
        {"SQLSRV32.DLL", "07.00.0623", backend::SqlServer7, UINT_MAX},
        {"SQLSRV32.DLL", "06.50.0201", backend::SqlServer6, 255},
        {"W32BTINT.DLL", "", backend::PervasiveSql, 255},
        {"CWBODBC.DLL", "", backend::As400, 255},
        {"libfake.so", "", backend::Unknown, 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.driver);
        UseLibrary(FAKE_ODBC_LIBRARY);
        fake_odbc_set_info_text(SQL_DRIVER_NAME, c.driver);
        fake_odbc_set_info_text(SQL_DBMS_VER, c.dbmsVersion);
        AttachedTable file("MYDSN");
        ASSERT_EQ(file.Connect(), 0);
        EXPECT_EQ(file.State().dataSource->backend, c.backend);
        EXPECT_EQ(file.State().dataSource->capabilities.maxStatements, c.maxStatements);
    }
}

TEST_F(FakeSessionTest, AnUnusableAccessDriverIsRefusedWith37) {
    fake_odbc_set_info_text(SQL_DRIVER_NAME, "ODBCJT32.DLL");
    fake_odbc_set_info_text(SQL_DRIVER_VER, "1.0.1521");
    AttachedTable file("MYDSN");
    EXPECT_EQ(file.Connect(), 37);
    EXPECT_EQ(file.State().dataSource, nullptr);
}

TEST_F(FakeSessionTest, DuplicateKeyOnPervasiveMapsTo40) {
    fake_odbc_set_info_text(SQL_DRIVER_NAME, "W32BTINT.DLL");
    AttachedTable file("MYDSN");
    ASSERT_EQ(file.Connect(), 0);
    Push("SQLExecDirect", SQL_ERROR, "S0011", "[Fake]Index exists", 1, 5);
    ExecuteDirect(file.Main(), "CREATE INDEX x ON t (a)");
    EXPECT_EQ(MapResult(file.State(), -1), 40);
}

TEST_F(FakeSessionTest, BusyCallsAreRepeatedUpToTheRetryLimit) {
    struct Case {
        int busyAnswers;
        int retries;
        int expectedCalls;
        bool succeeds;
    };
    const Case cases[] = {
        {3, 20, 4, true},     // success on a repeat ends the loop
        {25, 20, 20, false},  // the busy failure stands after 20 calls
        {5, 4, 4, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.busyAnswers);
        UseLibrary(FAKE_ODBC_LIBRARY);
        AttachedTable file("MYDSN");
        ASSERT_EQ(file.Connect(), 0);
        OdbcEnvironment::Existing()->busyRetries = c.retries;
        Push("SQLExecDirect", SQL_ERROR, "S1000", kBusy, c.busyAnswers);
        const SQLRETURN rc = ExecuteDirect(file.Main(), "DELETE FROM t");
        EXPECT_EQ(Calls("SQLExecDirect"), c.expectedCalls);
        EXPECT_EQ(SQL_SUCCEEDED(rc), c.succeeds);
        EXPECT_EQ(file.State().diagnostics.failure, c.succeeds ? 0 : 90);
    }
}

TEST_F(FakeSessionTest, OnlyTheExactBusyMessageUnderBusyHandling3IsRetried) {
    AttachedTable file("MYDSN");
    ASSERT_EQ(file.Connect(), 0);
    Push("SQLExecDirect", SQL_ERROR, "S1000", "[Microsoft]Connection is busy", 3);
    ExecuteDirect(file.Main(), "DELETE FROM t");
    EXPECT_EQ(Calls("SQLExecDirect"), 1);

    ForgetFailure(file.State());
    file.State().dataSource->busyHandling = 1;
    Push("SQLExecDirect", SQL_ERROR, "S1000", kBusy, 3);
    ExecuteDirect(file.Main(), "DELETE FROM t");
    EXPECT_EQ(Calls("SQLExecDirect"), 2);
}

TEST_F(FakeSessionTest, FetchWarnings) {
    AttachedTable file("MYDSN");
    ASSERT_EQ(file.Connect(), 0);
    const char* names[] = {"A"};
    const char* cells[] = {"1", "2"};
    fake_odbc_queue_result_set(1, names, 2, cells);
    ASSERT_TRUE(SQL_SUCCEEDED(ExecuteDirect(file.Main(), "SELECT A FROM t")));

    Push("SQLFetch", SQL_SUCCESS_WITH_INFO, "01004", "[Fake]some other warning");
    EXPECT_EQ(Fetch(file.Main()), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(file.State().diagnostics.failure, 0);
    EXPECT_EQ(CurrentErrors().fileErrorCode, "");  // a warning changes nothing

    Push("SQLFetch", SQL_SUCCESS_WITH_INFO, "01S01", "[Fake]Error in row");
    EXPECT_EQ(Fetch(file.Main()), SQL_ERROR);
    EXPECT_EQ(file.State().diagnostics.failure, 90);
    EXPECT_EQ(CurrentErrors().fileErrorCode, "01S01");
    EXPECT_EQ(CurrentErrors().fileErrorText, "Error in row");
}

TEST_F(FakeSessionTest, FailuresWithoutDiagnosticsNameTheReturnCode) {
    struct Case {
        const char* state;
        int sqlErrorFailures;
    };
    const Case cases[] = {{nullptr, 0}, {"00000", 0}, {"42000", 1}};
    for (const Case& c : cases) {
        UseLibrary(FAKE_ODBC_LIBRARY);
        AttachedTable file("MYDSN");
        ASSERT_EQ(file.Connect(), 0);
        if (c.sqlErrorFailures > 0) fake_odbc_fail_sqlerror(c.sqlErrorFailures, SQL_ERROR);
        Push("SQLExecDirect", SQL_ERROR, c.state, "");
        ExecuteDirect(file.Main(), "DROP TABLE t");
        EXPECT_EQ(CurrentErrors().fileErrorCode, "r=-1");
    }
}

TEST_F(FakeSessionTest, OnlyTheFirstFailureOfAnOperationIsReported) {
    AttachedTable file("MYDSN");
    ASSERT_EQ(file.Connect(), 0);
    Push("SQLExecDirect", SQL_ERROR, "42S02", "[Fake]first", 1);
    Push("SQLPrepare", SQL_ERROR, "42000", "[Fake]second", 1);
    ExecuteDirect(file.Main(), "DROP TABLE t");
    Prepare(file.Main(), "SELECT 1");
    EXPECT_EQ(CurrentErrors().fileErrorCode, "42S02");
    EXPECT_EQ(CurrentErrors().fileErrorText, "first");

    // The dispatcher's post-operation step forgets it for the next operation.
    file.Run(op::NAME);
    Prepare(file.Main(), "SELECT 1");
    EXPECT_EQ(file.State().diagnostics.failure, 0);
}

TEST_F(FakeSessionTest, AFailedAsyncProbeOnlySwitchesAsyncOff) {
    Push("SQLSetStmtOption", SQL_ERROR, "S1C00", "[Fake]not capable");
    AttachedTable file("MYDSN");
    ASSERT_EQ(file.Connect(), 0);
    EXPECT_EQ(file.State().dataSource->async, 2);
    EXPECT_EQ(file.State().diagnostics.failure, 0);
}

TEST_F(FakeSessionTest, TransactionFrame) {
    fake_odbc_set_info_number(SQL_TXN_CAPABLE, SQL_TC_ALL);
    fake_odbc_set_info_number(SQL_CURSOR_COMMIT_BEHAVIOR, SQL_CB_DELETE);
    AttachedTable file("MYDSN");
    ASSERT_EQ(file.Connect(), 0);
    file.Main().prepared = true;
    std::size_t before = Log().size();
    file.State().stateFlags |= 1;  // open, as LOGOUT requires
    file.Run(op::LOGOUT);
    EXPECT_EQ(CurrentErrors().errorCode, 0) << CurrentErrors().fileErrorText;
    std::string later = Log().substr(before);
    EXPECT_NE(later.find("SQLSetConnectOption 108 8"), std::string::npos) << later;
    EXPECT_NE(later.find("SQLSetConnectOption 102 0"), std::string::npos) << later;
    before = Log().size();
    file.Run(op::COMMIT);
    EXPECT_EQ(CurrentErrors().errorCode, 0) << CurrentErrors().fileErrorText;
    EXPECT_EQ(Calls("SQLTransact"), 1);
    EXPECT_FALSE(file.Main().prepared);  // the server does not preserve cursors
    later = Log().substr(before);
    EXPECT_NE(later.find("SQLSetConnectOption 108 2"), std::string::npos) << later;
    EXPECT_NE(later.find("SQLSetConnectOption 102 1"), std::string::npos) << later;
}

TEST_F(FakeSessionTest, ProgramEndClosesFilesAndFreesEverything) {
    AttachedTable file("MYDSN");
    ASSERT_EQ(file.Connect(), 0);
    file.State().stateFlags = 1;
    EndProgram();
    EXPECT_EQ(file.State().mainStatement.statement, nullptr);
    EXPECT_EQ(file.State().dataSource, nullptr);
    EXPECT_TRUE(file.State().invalidated);
    EXPECT_EQ(file.State().stateFlags, 0u);
    EXPECT_EQ(Calls("SQLDisconnect"), 1);
    EXPECT_EQ(Calls("SQLFreeConnect"), 1);
    EXPECT_EQ(Calls("SQLFreeEnv"), 1);
    EXPECT_EQ(OdbcEnvironment::Existing(), nullptr);
}

TEST_F(FakeSessionTest, WithoutSqlBindParameterParametersGoThroughSqlSetParam) {
    UseLibrary(FAKE_ODBC_NOPARAM_LIBRARY);
    AttachedTable file("MYDSN");
    ASSERT_EQ(file.Connect(), 0);
    SQLINTEGER value = 5;
    SQLLEN indicator = 0;
    PendingBinding binding;
    binding.number = 1;
    binding.cType = SQL_C_SLONG;
    binding.sqlType = SQL_INTEGER;
    binding.buffer = &value;
    binding.indicator = &indicator;
    file.Main().QueueParameter(binding);
    ASSERT_TRUE(SQL_SUCCEEDED(ExecuteDirect(file.Main(), "DELETE FROM t WHERE a = ?")));
    // That library is an instance of its own: ask it, not the one linked here.
    void* loaded = dlopen(FAKE_ODBC_NOPARAM_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(loaded, nullptr);
    auto count = reinterpret_cast<int (*)(const char*)>(dlsym(loaded, "fake_odbc_call_count"));
    EXPECT_EQ(count("SQLSetParam"), 1);
    dlclose(loaded);
}

TEST_F(FakeSessionTest, ADriverManagerThatCannotBeLoadedFailsEveryOperationButAFew) {
    for (const char* library : {"/nonexistent/libodbc.so.2", FAKE_ODBC_INCOMPLETE_LIBRARY}) {
        SCOPED_TRACE(library);
        UseLibrary(library);
        AttachedTable file("MYDSN");
        EXPECT_EQ(CurrentErrors().errorCode, 0);  // NAME still works
        file.Run(op::OPEN, Arguments::WithNumbers({0x22}));
        EXPECT_EQ(CurrentErrors().errorCode, 90);
        EXPECT_EQ(CurrentErrors().fileErrorCode, "1");
        EXPECT_EQ(CurrentErrors().fileErrorText, "(25) ODBC32.DLL Could Not Be Loaded");
        file.Run(op::NAME);
        EXPECT_EQ(CurrentErrors().errorCode, 90);  // NAME succeeds and leaves the error
        EXPECT_EQ(file.State().lastErrorCode, 0);
        EXPECT_FALSE(OdbcEnvironment::Existing()->loaded);
    }
}

}  // namespace
}  // namespace dbprobe::odbc
