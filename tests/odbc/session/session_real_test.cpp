// Sessions against the real ODBC drivers and servers that scripts/test starts.

#include <gtest/gtest.h>

#include <sqlext.h>

#include "app/test_table.h"
#include "odbc/dispatch/dispatcher.h"
#include "odbc/dispatch/operation.h"
#include "odbc/session/data_source.h"
#include "odbc/session/environment.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/session/session.h"
#include "odbc/session/statement.h"
#include "tests/support/attached_table.h"
#include "tests/support/test_dsns.h"

namespace dbprobe::odbc {
namespace {

struct Backend {
    const char* dsn;
    const char* driverName;
    const char* quote;
    int identifierCase;
};

std::ostream& operator<<(std::ostream& out, const Backend& b) { return out << b.dsn; }

using testing::AttachedTable;

class RealBackendTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override { ClearErrors(); }
    void TearDown() override { EndProgram(); }
};

TEST_P(RealBackendTest, ConnectsThroughItsDsnAndLearnsTheServer) {
    DBPROBE_REQUIRE_DSN(GetParam().dsn);
    AttachedTable file(GetParam().dsn);
    ASSERT_EQ(file.Connect(), 0) << CurrentErrors().fileErrorCode << " "
                                 << CurrentErrors().fileErrorText;
    const DataSource& source = *file.State().dataSource;
    EXPECT_EQ(source.connectString, std::string("DSN=") + GetParam().dsn);
    EXPECT_EQ(source.capabilities.driverName, GetParam().driverName);
    EXPECT_EQ(source.capabilities.identifierQuote, GetParam().quote);
    EXPECT_EQ(source.capabilities.identifierCase, GetParam().identifierCase);
    EXPECT_TRUE(source.capabilities.nonNullableColumns);
    EXPECT_EQ(source.capabilities.maxStatements, 255u);  // the drivers answer 0
    EXPECT_EQ(source.backend, backend::Unknown);
    EXPECT_EQ(source.usesDriverConnect, 1);
    EXPECT_EQ(source.busyHandling, 3);
    ASSERT_NE(file.State().mainStatement.statement, nullptr);
}

TEST_P(RealBackendTest, FilesWithTheSameOwnerShareOneConnection) {
    DBPROBE_REQUIRE_DSN(GetParam().dsn);
    AttachedTable first(GetParam().dsn);
    AttachedTable second(GetParam().dsn);
    ASSERT_EQ(first.Connect(), 0);
    ASSERT_EQ(second.Connect(), 0);
    ASSERT_EQ(first.State().dataSource, second.State().dataSource);
    const DataSource& source = *first.State().dataSource;
    ASSERT_EQ(source.connections.size(), 1u);
    EXPECT_EQ(source.connections[0]->StatementCount(), 2u);
    EXPECT_EQ(source.files.size(), 2u);
    EXPECT_EQ(OdbcEnvironment::Existing()->dataSources.size(), 1u);
}

TEST_P(RealBackendTest, AChangedOwnerConnectsAnewAndTheOldConnectionStays) {
    DBPROBE_REQUIRE_DSN(GetParam().dsn);
    DBPROBE_REQUIRE_DSN("dbprobe-sqlite");
    const std::string other =
        std::string(GetParam().dsn) == "dbprobe-sqlite" ? "dbprobe-sqlite," : "dbprobe-sqlite";
    AttachedTable file(GetParam().dsn);
    ASSERT_EQ(file.Connect(), 0);
    const std::shared_ptr<DataSource> old = file.State().dataSource;

    // What CREATE and OPEN do when the owner differs from the one last used.
    file.vars.dataSource.Assign(other);
    Arguments args;
    CallDriver(op::NAME, file.table.File(), args);  // refreshes the owner while closed
    ReleaseDataSource(file.State());
    ASSERT_EQ(file.Connect(), 0) << CurrentErrors().fileErrorText;

    EXPECT_NE(file.State().dataSource, old);
    EXPECT_EQ(file.State().dataSource->owner, other);
    ASSERT_EQ(old->connections.size(), 1u);
    EXPECT_TRUE(old->connections[0]->connected);
    EXPECT_EQ(old->connections[0]->StatementCount(), 0u);
    EXPECT_TRUE(old->files.empty());
}

TEST_P(RealBackendTest, CloseReleasesStatementsAndKeepsTheConnection) {
    DBPROBE_REQUIRE_DSN(GetParam().dsn);
    AttachedTable file(GetParam().dsn);
    ASSERT_EQ(file.Connect(), 0);
    const std::shared_ptr<Connection> connection = file.State().dataSource->connections.at(0);
    ReleaseStatements(file.State());
    EXPECT_EQ(file.State().mainStatement.statement, nullptr);
    EXPECT_EQ(connection->StatementCount(), 0u);
    ASSERT_EQ(file.Connect(), 0);  // no new connection is made
    EXPECT_EQ(file.State().dataSource->connections.size(), 1u);
    EXPECT_EQ(file.State().dataSource->connections[0], connection);
}

INSTANTIATE_TEST_SUITE_P(
    Backends, RealBackendTest,
    ::testing::Values(Backend{"dbprobe-sqlite", "sqlite3odbc.so", "\"", SQL_IC_SENSITIVE},
                      Backend{"dbprobe-pg", "psqlodbca.so", "\"", SQL_IC_LOWER},
                      Backend{"dbprobe-maria", "libmaodbc.so", "`", SQL_IC_MIXED}),
    testing::DsnTestName());

TEST(RealDriverManager, AMissingDsnFailsWithTheDriverManagersMessage) {
    ClearErrors();
    AttachedTable file("NOPE_NO_SUCH_DSN");
    EXPECT_EQ(file.Connect(), 90);
    EXPECT_EQ(CurrentErrors().fileErrorCode, "IM002");
    EXPECT_EQ(CurrentErrors().fileErrorText,
              "Data source name not found and no default driver specified");
    EXPECT_EQ(file.State().dataSource, nullptr);
    EXPECT_TRUE(OdbcEnvironment::Existing()->dataSources.empty());
    EndProgram();
}

TEST(RealDriverManager, APasswordInTheOwnerNeverReachesTheMessage) {
    ClearErrors();
    AttachedTable file("NOPE_NO_SUCH_DSN,someone,s3cr3t-word");
    EXPECT_EQ(file.Connect(), 90);
    EXPECT_EQ(CurrentErrors().fileErrorText.find("s3cr3t"), std::string::npos);
    EXPECT_EQ(CurrentErrors().fileErrorCode.find("s3cr3t"), std::string::npos);
    EndProgram();
}

}  // namespace
}  // namespace dbprobe::odbc
