// OPEN against the scripted fake driver manager: the catalog lookup, the
// SELECT fallback and the answers a real server does not give on demand.

#include <gtest/gtest.h>

#include <sqlext.h>

#include "odbc/dispatch/operation.h"
#include "odbc/session/data_source.h"
#include "odbc/session/statement.h"
#include "odbc/sql/open.h"
#include "tests/support/attached_table.h"
#include "tests/support/fake_session.h"
#include "tests/support/trace_capture.h"

namespace dbprobe::odbc {
namespace {

using testing::AttachedTable;

constexpr std::int64_t kReadWriteDenyWrite = 0x22;

// Queues the answer of SQLColumns: one catalog row per column name.
void QueueCatalog(const std::vector<const char*>& columns) {
    static const char* names[] = {"TABLE_QUALIFIER", "TABLE_OWNER", "TABLE_NAME", "COLUMN_NAME",
                                  "DATA_TYPE",       "TYPE_NAME",   "PRECISION",  "LENGTH",
                                  "SCALE",           "RADIX",       "NULLABLE"};
    std::vector<const char*> cells;
    for (const char* c : columns)
        cells.insert(cells.end(), {nullptr, nullptr, "Test_Korvelandix", c, "12", "VARCHAR",
                                   "255", "255", "0", "10", "1"});
    fake_odbc_queue_result_set(11, names, static_cast<int>(columns.size()), cells.data());
}

// Queues the result columns that a prepared SELECT on the table describes.
void QueueSelectColumns(const std::vector<const char*>& columns) {
    fake_odbc_queue_result_set(static_cast<int>(columns.size()), columns.data(), 0, nullptr);
}

const std::vector<const char*> kTestColumns = {"CISLO", "NAZEV", "POZNAMKA"};

class OpenTest : public testing::FakeOdbcTest {
protected:
    void SetUp() override {
        FakeOdbcTest::SetUp();
        // The verified-table list is process-wide: start without an entry.
        for (bool more = true; more;) {
            AttachedTable any("MYDSN");
            more = VerifiedTableCount(any.table.File()) > 1;
            any.Run(op::DESTROY);
        }
        UseLibrary(FAKE_ODBC_LIBRARY);
    }
    static int Open(AttachedTable& table, std::int64_t mode = kReadWriteDenyWrite) {
        table.Run(op::OPEN, Arguments::WithNumbers({mode}));
        return CurrentErrors().errorCode;
    }
};

TEST_F(OpenTest, CatalogLookupOnceThenTheFileCountsAsVerified) {
    QueueCatalog({"cislo", "Nazev", "POZNAMKA"});  // case does not matter
    QueueSelectColumns(kTestColumns);
    AttachedTable table("MYDSN");
    ASSERT_EQ(Open(table), 0) << CurrentErrors().fileErrorCode << " " << CurrentErrors().fileErrorText;
    EXPECT_EQ(Texts("SQLColumns"),
              std::vector<std::string>{"(null) (null) Test_Korvelandix %"});
    EXPECT_EQ(Texts("SQLPrepare"), std::vector<std::string>{
                                       "SELECT CISLO,NAZEV,POZNAMKA FROM Test_Korvelandix WHERE 0 = 1"});
    EXPECT_EQ(table.State().openMode, kReadWriteDenyWrite);
    ASSERT_NE(table.State().mainStatement.statement, nullptr);
    EXPECT_TRUE(table.State().mainStatement.statement->pendingColumns.empty());
    EXPECT_EQ(table.State().lastOwner, std::optional<std::string>("MYDSN"));
    EXPECT_EQ(VerifiedTableCount(table.table.File()), 1);

    // Verified and described: the second OPEN asks the server nothing.
    table.Run(op::CLOSE);
    ASSERT_EQ(Open(table), 0);
    EXPECT_EQ(Calls("SQLColumns"), 1);
    EXPECT_EQ(Calls("SQLPrepare"), 1);
    EXPECT_EQ(VerifiedTableCount(table.table.File()), 2);

    // A new owner detaches the file, connects anew and checks again.
    table.Run(op::CLOSE);
    table.vars.dataSource.Assign("OTHERDSN");
    QueueCatalog(kTestColumns);
    ASSERT_EQ(Open(table), 0) << CurrentErrors().fileErrorText;
    EXPECT_EQ(Calls("SQLColumns"), 2);
    EXPECT_EQ(Calls("SQLDriverConnect"), 2);
    EXPECT_EQ(table.State().lastOwner, std::optional<std::string>("OTHERDSN"));

    // DESTROY of the instances takes the entry away.
    for (int i = 0; i < 3; ++i) {
        EXPECT_GT(VerifiedTableCount(table.table.File()), 0);
        AttachedTable other("MYDSN");
        other.Run(op::DESTROY);
    }
    EXPECT_EQ(VerifiedTableCount(table.table.File()), 0);
}

TEST_F(OpenTest, TheCatalogNameFollowsTheServersIdentifierCase) {
    struct Case {
        int identifierCase;
        const char* expected;
    };
    const Case cases[] = {{SQL_IC_UPPER, "(null) (null) TEST_KORVELANDIX %"},
                          {SQL_IC_LOWER, "(null) (null) test_korvelandix %"},
                          {SQL_IC_MIXED, "(null) (null) Test_Korvelandix %"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.identifierCase);
        UseLibrary(FAKE_ODBC_LIBRARY);
        fake_odbc_set_info_number(SQL_IDENTIFIER_CASE, c.identifierCase);
        QueueCatalog(kTestColumns);
        QueueSelectColumns(kTestColumns);
        AttachedTable table("MYDSN");
        EXPECT_EQ(Open(table), 0) << CurrentErrors().fileErrorText;
        EXPECT_EQ(Texts("SQLColumns"), std::vector<std::string>{c.expected});
        table.Run(op::DESTROY);
    }
}

TEST_F(OpenTest, ADeclaredFieldWithoutAColumnIsAnInvalidDeclaration) {
    testing::TraceCapture trace;
    QueueCatalog({"CISLO", "POZNAMKA", "EXTRA"});
    AttachedTable table("MYDSN");
    EXPECT_EQ(Open(table), 47);
    EXPECT_EQ(CurrentErrors().fileErrorCode, "FIELD : 2 : NAME : D00001");
    EXPECT_EQ(CurrentErrors().fileErrorText, "Component does not match physical file structure");
    EXPECT_EQ(table.State().mainStatement.statement, nullptr);
    EXPECT_EQ(VerifiedTableCount(table.table.File()), 0);
    const std::string log = trace.Text();
    const std::vector<std::string> lines = {"Invalid field name: NAZEV", "Valid field names are:",
                                            "CISLO", "POZNAMKA", "EXTRA"};
    std::size_t at = 0;
    for (const std::string& line : lines) {
        at = log.find(line, at);
        ASSERT_NE(at, std::string::npos) << line << "\n" << log;
    }
}

TEST_F(OpenTest, AMissingTableIsFileNotFound) {
    struct Case {
        const char* what;
        const char* driverString;
        const char* state;  // of the failing SQLPrepare; nullptr: none
    };
    const Case cases[] = {
        {"no catalog rows", "", nullptr},
        {"SELECT way, ODBC 2 state", "/VERIFYVIASELECT=TRUE", "S0002"},
        {"SELECT way, ODBC 3 state", "/VERIFYVIASELECT=TRUE", "42S02"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UseLibrary(FAKE_ODBC_LIBRARY);
        if (c.state != nullptr) Push("SQLPrepare", SQL_ERROR, c.state, "[Fake]No such table");
        AttachedTable table("MYDSN");
        table.vars.driverString.Assign(c.driverString);
        EXPECT_EQ(Open(table), 2);
        EXPECT_EQ(table.State().mainStatement.statement, nullptr);
        table.Run(op::DESTROY);
    }
}

TEST_F(OpenTest, NoVerifyLeavesAMissingColumnUndetected) {
    QueueSelectColumns(kTestColumns);
    AttachedTable table("MYDSN");
    table.vars.driverString.Assign("/NOVERIFY=TRUE");
    EXPECT_EQ(Open(table), 0) << CurrentErrors().fileErrorText;
    EXPECT_EQ(Calls("SQLColumns"), 0);
}

TEST_F(OpenTest, AFailingSqlColumnsSwitchesToThePreparedSelect) {
    Push("SQLColumns", SQL_ERROR, "IM001", "[Fake]Driver does not support this function");
    QueueSelectColumns(kTestColumns);  // SELECT *
    QueueSelectColumns(kTestColumns);  // the describe step
    AttachedTable table("MYDSN");
    ASSERT_EQ(Open(table), 0) << CurrentErrors().fileErrorText;
    EXPECT_EQ(Texts("SQLPrepare"),
              (std::vector<std::string>{"SELECT * FROM Test_Korvelandix WHERE 0 = 1",
                                        "SELECT CISLO,NAZEV,POZNAMKA FROM Test_Korvelandix WHERE 0 = 1"}));
    EXPECT_EQ(Calls("SQLNumResultCols"), 1);
    EXPECT_TRUE(table.State().options.verifyViaSelect);

    // The SELECT way finds a missing column just as well.
    table.Run(op::CLOSE);
    table.vars.dataSource.Assign("OTHERDSN");
    QueueSelectColumns({"CISLO", "POZNAMKA"});
    EXPECT_EQ(Open(table), 47);
    EXPECT_EQ(CurrentErrors().fileErrorCode, "FIELD : 2 : NAME : D00001");
    EXPECT_EQ(Calls("SQLColumns"), 1);
}

TEST(OpenNames, CatalogTableName) {
    struct Case {
        const char* declared;
        const char* quote;
        int identifierCase;
        std::optional<std::string> owner;
        std::string table;
    };
    const Case cases[] = {
        {"Test_Korvelandix", "\"", SQL_IC_UPPER, std::nullopt, "TEST_KORVELANDIX"},
        {"dbo.Test", "\"", SQL_IC_LOWER, "dbo", "test"},
        {"dbo.\"Test\"", "\"", SQL_IC_UPPER, "dbo", "Test"},
        {"\"a.b\"", "\"", SQL_IC_UPPER, std::nullopt, "\"a.b\""},
        {"\"Own\".Tab", "\"", SQL_IC_MIXED, "\"Own\"", "Tab"},
        {"\"x\".\"y\"", "", SQL_IC_UPPER, "\"x\"", "\"Y\""},
        {"own.tab", "", SQL_IC_SENSITIVE, "own", "tab"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.declared);
        const CatalogTable name = CatalogTableName(c.declared, c.quote, c.identifierCase);
        EXPECT_EQ(name.owner, c.owner);
        EXPECT_EQ(name.table, c.table);
    }
}

TEST(OpenNames, ColumnNameMatches) {
    struct Case {
        const char* field;
        const char* server;
        bool sensitive;
        bool matches;
    };
    const Case cases[] = {
        {"NAZEV", "nazev", false, true},
        {"NAZEV", "nazev", true, true},  // unquoted names never compare case-sensitively
        {"\"Nazev\"", "NAZEV", false, true},
        {"\"Nazev\"", "NAZEV", true, false},
        {"\"Nazev\"", "Nazev", true, true},
        {"TST.NAZEV", "NAZEV", false, true},
        {"\"Say \"\"Hi\"\"\"", "Say \"Hi\"", true, true},
        {"NAZEV", "NAZEV2", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " / " + c.server);
        EXPECT_EQ(ColumnNameMatches(c.field, c.server, "\"", c.sensitive), c.matches);
    }
}

}  // namespace
}  // namespace dbprobe::odbc
