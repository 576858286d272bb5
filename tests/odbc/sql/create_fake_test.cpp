// CREATE against the scripted fake driver manager: the statement texts from
// type tables the test chooses, and the server answers real servers do not
// give on demand.

#include <gtest/gtest.h>

#include <sqlext.h>

#include "odbc/dispatch/operation.h"
#include "odbc/session/data_source.h"
#include "tests/support/attached_table.h"
#include "tests/support/declared_file.h"
#include "tests/support/fake_session.h"
#include "tests/support/trace_capture.h"

namespace dbprobe::odbc {
namespace {

using testing::AttachedTable;

struct TypeRow {
    const char* name;
    const char* type;
    const char* createParams;  // nullptr: NULL
};

// Queues the answer of SQLGetTypeInfo: the columns of the catalog result.
void QueueTypeInfo(const std::vector<TypeRow>& rows) {
    static const char* names[] = {"TYPE_NAME", "DATA_TYPE", "PRECISION", "LITERAL_PREFIX",
                                  "LITERAL_SUFFIX", "CREATE_PARAMS"};
    std::vector<const char*> cells;
    for (const TypeRow& r : rows) {
        cells.insert(cells.end(), {r.name, r.type, "10", nullptr, nullptr, r.createParams});
    }
    fake_odbc_queue_result_set(6, names, static_cast<int>(rows.size()), cells.data());
}

const std::vector<TypeRow> kCommonTypes = {
    {"INTEGER", "4", nullptr},
    {"CHAR", "1", "length"},
    {"TEXT", "-1", nullptr},
    {"VARCHAR", "12", "max length"},
    {"CHAR", "1", "ignored: the first row of a type wins"},
};

class CreateTest : public testing::FakeOdbcTest {
protected:
    void SetUp() override {
        FakeOdbcTest::SetUp();
        fake_odbc_set_info_number(SQL_NON_NULLABLE_COLUMNS, SQL_NNC_NON_NULL);
    }
    static int Create(AttachedTable& table) {
        table.vars.primaryKeyName.Assign("KeyTstCislo");
        table.vars.secondKeyName.Assign("KeyTstNazev");
        table.Run(op::CREATE);
        return CurrentErrors().errorCode;
    }
};

TEST_F(CreateTest, TheTestTableStatementsPerServerKind) {
    struct Case {
        const char* what;
        const char* ief;
        const char* driver;
        std::vector<std::string> statements;
    };
    const Case cases[] = {
        {"integrity enhancement", "Y", "libfake.so",
         {"CREATE TABLE Test_Korvelandix (CISLO INTEGER NOT NULL,NAZEV CHAR(255), POZNAMKA "
          "TEXT,PRIMARY KEY (CISLO ))",
          "CREATE INDEX KeyTstNazev ON Test_Korvelandix (NAZEV ,CISLO )"}},
        {"no integrity enhancement", "N", "libfake.so",
         {"CREATE TABLE Test_Korvelandix (CISLO INTEGER NOT NULL,NAZEV CHAR(255), POZNAMKA TEXT)",
          "CREATE UNIQUE INDEX KeyTstCislo ON Test_Korvelandix (CISLO )",
          "CREATE INDEX KeyTstNazev ON Test_Korvelandix (NAZEV ,CISLO )"}},
        {"pervasive", "N", "W32BTINT.DLL",
         {"CREATE TABLE Test_Korvelandix (CISLO INT(4),NAZEV CHAR(255), POZNAMKA TEXT)",
          "CREATE UNIQUE INDEX KeyTstCislo ON Test_Korvelandix (CISLO )",
          "CREATE INDEX KeyTstNazev ON Test_Korvelandix (NAZEV MOD ,CISLO MOD )"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UseLibrary(FAKE_ODBC_LIBRARY);
        fake_odbc_set_info_number(SQL_NON_NULLABLE_COLUMNS, SQL_NNC_NON_NULL);
        fake_odbc_set_info_text(SQL_ODBC_SQL_OPT_IEF, c.ief);
        fake_odbc_set_info_text(SQL_DRIVER_NAME, c.driver);
        QueueTypeInfo(kCommonTypes);
        AttachedTable table("MYDSN");
        EXPECT_EQ(Create(table), 0) << CurrentErrors().fileErrorText;
        EXPECT_EQ(Texts("SQLExecDirect"), c.statements);
        EXPECT_EQ(table.State().mainStatement.statement, nullptr);  // released again
    }
}

TEST_F(CreateTest, TypeTablesAreReadOncePerDataSource) {
    QueueTypeInfo(kCommonTypes);
    AttachedTable first("MYDSN");
    AttachedTable second("MYDSN");
    ASSERT_EQ(Create(first), 0);
    ASSERT_EQ(Create(second), 0);
    EXPECT_EQ(Calls("SQLGetTypeInfo"), 1);
}

TEST_F(CreateTest, AnExistingTableIsDroppedAndCreatedAgain) {
    QueueTypeInfo(kCommonTypes);
    Push("SQLExecDirect", SQL_ERROR, "S0001", "[Fake]Table exists");
    AttachedTable table("MYDSN");
    EXPECT_EQ(Create(table), 0);
    const std::vector<std::string> sent = Texts("SQLExecDirect");
    ASSERT_EQ(sent.size(), 5u);
    EXPECT_EQ(sent[1], "DROP TABLE Test_Korvelandix");
    EXPECT_EQ(sent[0], sent[2]);
}

TEST_F(CreateTest, AnExistingIndexIsDroppedByNameAndCreatedAgain) {
    QueueTypeInfo(kCommonTypes);
    Push("SQLExecDirect", SQL_SUCCESS, nullptr, nullptr, 2);  // the table, the first index
    Push("SQLExecDirect", SQL_ERROR, "S0011", "[Fake]Index exists");
    AttachedTable table("MYDSN");
    EXPECT_EQ(Create(table), 0);
    const std::vector<std::string> sent = Texts("SQLExecDirect");
    ASSERT_EQ(sent.size(), 5u);
    EXPECT_EQ(sent[3], "DROP INDEX KeyTstNazev");
    EXPECT_EQ(sent[4], sent[2]);
}

TEST_F(CreateTest, AFailingIndexLeavesNoTableAndReportsTheIndexError) {
    QueueTypeInfo(kCommonTypes);
    Push("SQLExecDirect", SQL_SUCCESS, nullptr, nullptr, 1);
    Push("SQLExecDirect", SQL_ERROR, "42000", "[Fake]bad index");
    Push("SQLExecDirect", SQL_ERROR, "S1000", "[Fake]the drop failed too", 5);
    AttachedTable table("MYDSN");
    EXPECT_EQ(Create(table), 90);
    EXPECT_EQ(CurrentErrors().fileErrorCode, "42000");
    EXPECT_EQ(CurrentErrors().fileErrorText, "bad index");
    EXPECT_EQ(Texts("SQLExecDirect").back(), "DROP TABLE Test_Korvelandix");
    // A failed CREATE throws the state away before the next operation.
    EXPECT_TRUE(table.State().invalidated);
}

TEST_F(CreateTest, TypeTextFromNameAndCreateParameters) {
    using testing::Declaration;
    using testing::DeclaredFile;
    using testing::Field;
    using testing::Group;
    struct Case {
        const char* what;
        std::vector<TypeRow> types;
        std::vector<FieldDescriptor> fields;
        std::string expected;
    };
    FieldDescriptor dec = Field(kind::DECIMAL, 4, 6, "T:AMOUNT");
    dec.decimals = 2;
    const Case cases[] = {
        {"no INTEGER: the decimal type with 8 and 0", {{"NUMBER", "3", "precision,scale"}},
         {Group(0, 4, 1), Field(kind::LONG, 0, 4, "T:ID")},
         "CREATE TABLE T (ID NUMBER(8, 0))"},
        {"no INTEGER, decimal without a comma: the size in bytes",
         {{"NUMBER", "3", "precision"}},
         {Group(0, 4, 1), Field(kind::LONG, 0, 4, "T:ID")}, "CREATE TABLE T (ID NUMBER(4))"},
        {"the tail after ')' is kept", {{"CHAR() FOR BIT DATA", "1", "length"}},
         {Group(0, 40, 1), Field(kind::STRING, 0, 40, "T:CODE")},
         "CREATE TABLE T (CODE CHAR(40) FOR BIT DATA)"},
        {"no create parameters: bare names", {{"CHAR", "1", ""}, {"INT", "4", nullptr}},
         {Group(0, 14, 2), Field(kind::LONG, 0, 4, "T:ID"), Field(kind::STRING, 4, 10, "T:NAME")},
         "CREATE TABLE T (ID INT,NAME CHAR)"},
        {"a CSTRING loses its terminator", {{"VARCHAR", "12", "max length"}},
         {Group(0, 10, 1), Field(kind::CSTRING, 0, 10, "T:NAME")},
         "CREATE TABLE T (NAME VARCHAR(9))"},
        {"DECIMAL: 2 x size - 1 digits and the places", {{"DECIMAL", "3", "precision,scale"}, {"INTEGER", "4", nullptr}},
         {Group(0, 10, 2), Field(kind::LONG, 0, 4, "T:ID"), dec},
         "CREATE TABLE T (ID INTEGER,AMOUNT DECIMAL(11, 2))"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UseLibrary(FAKE_ODBC_LIBRARY);
        QueueTypeInfo(c.types);
        Declaration d;
        d.recordSize = c.fields[0].size;
        d.layout = c.fields;
        DeclaredFile file(d, "T", "MYDSN");
        Arguments args;
        Dispatch(op::CREATE, &file.file, args);
        EXPECT_EQ(CurrentErrors().errorCode, 0) << CurrentErrors().fileErrorText;
        ASSERT_FALSE(Texts("SQLExecDirect").empty());
        EXPECT_EQ(Texts("SQLExecDirect")[0], c.expected);
    }
}

TEST_F(CreateTest, AFieldWithoutAServerTypeFailsWith75AndSendsNothing) {
    using testing::Declaration;
    using testing::DeclaredFile;
    using testing::Field;
    using testing::Group;
    QueueTypeInfo(kCommonTypes);
    testing::TraceCapture trace;
    Declaration d;
    d.recordSize = 8;
    d.layout = {Group(0, 8, 2), Field(kind::LONG, 0, 4, "T:ID"), Field(kind::DATE, 4, 4, "T:BORN")};
    DeclaredFile file(d, "T", "MYDSN");
    Arguments args;
    Dispatch(op::CREATE, &file.file, args);
    EXPECT_EQ(CurrentErrors().errorCode, 75);
    EXPECT_TRUE(Texts("SQLExecDirect").empty());
    EXPECT_EQ(trace.Count("Could not Create Field BORN"), 1) << trace.Text();
    EXPECT_EQ(trace.Count("File system does not support data type"), 1);
}

TEST_F(CreateTest, DescendingComponentsOnlyInIndexStatements) {
    using testing::BlobDecl;
    using testing::Declaration;
    using testing::DeclaredFile;
    using testing::Field;
    using testing::Group;
    using testing::KeyDecl;
    fake_odbc_set_info_text(SQL_ODBC_SQL_OPT_IEF, "Y");
    QueueTypeInfo(kCommonTypes);
    Declaration d;
    d.recordSize = 14;
    d.layout = {Group(0, 14, 2), Field(kind::LONG, 0, 4, "T:ID"), Field(kind::STRING, 4, 10, "T:NAME")};
    d.keys = {KeyDecl{"ByName", "T:BYNAME", 0, {-2, 1}},
              KeyDecl{"ByNameDup", "T:BYNAMEDUP", keyattr::DUP, {-2}}};
    DeclaredFile file(d, "T", "MYDSN");
    Arguments args;
    Dispatch(op::CREATE, &file.file, args);
    EXPECT_EQ(CurrentErrors().errorCode, 0) << CurrentErrors().fileErrorText;
    const std::vector<std::string> expected = {
        "CREATE TABLE T (ID INTEGER NOT NULL,NAME CHAR(10) NOT NULL,UNIQUE (NAME ,ID ))",
        "CREATE INDEX ByNameDup ON T (NAME DESC )"};
    EXPECT_EQ(Texts("SQLExecDirect"), expected);
}

TEST_F(CreateTest, WithoutTheCreateAttributeNothingIsSent) {
    AttachedTable table("MYDSN");
    table.table.File().attributes &= static_cast<std::uint8_t>(~fileattr::CREATE);
    table.Run(op::DESTROY);  // the attributes are read when the state is attached
    EXPECT_EQ(Create(table), 54);
    EXPECT_EQ(Calls("SQLDriverConnect"), 0);
}

}  // namespace
}  // namespace dbprobe::odbc
