// ADD against the scripted fake driver manager: what is bound and sent, and
// what a failing server leaves behind.

#include <gtest/gtest.h>

#include <sqlext.h>

#include "odbc/dispatch/operation.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/sql/blob_write.h"
#include "tests/support/attached_table.h"
#include "tests/support/fake_session.h"

namespace dbprobe::odbc {
namespace {

using testing::AttachedTable;

class InsertTest : public testing::FakeOdbcTest {
protected:
    // The test table, opened without its structure check, with the describe
    // step's result columns queued for the first ADD.
    void Open(AttachedTable& table) {
        table.vars.driverString.Assign("/NOVERIFY=TRUE");
        table.Run(op::DESTROY);  // no descriptions from an earlier test
        static const char* names[] = {"CISLO", "NAZEV", "POZNAMKA"};
        fake_odbc_queue_result_set(3, names, 0, nullptr);
        table.Run(op::OPEN, Arguments::WithNumbers({0x22}));
        ASSERT_EQ(CurrentErrors().errorCode, 0) << CurrentErrors().fileErrorText;
    }
    static void SetBlob(AttachedTable& table, const std::string& text) {
        Arguments args = Arguments::WithTexts({std::to_string(blobprop::Contents), text});
        args.numbers = {1};
        table.Run(op::BLOB_SET_PROP, args);
    }
    static int Add(AttachedTable& table) {
        table.Run(op::ADD);
        return CurrentErrors().errorCode;
    }
};

TEST_F(InsertTest, PreparedOnceAndTheBlobSentWithItsZeroByte) {
    AttachedTable table("MYDSN");
    Open(table);
    for (int i = 1; i <= 3; ++i) {
        table.table.SetCislo(i);
        table.table.SetNazev("row");
        SetBlob(table, "abcd");
        ASSERT_EQ(Add(table), 0) << CurrentErrors().fileErrorText;
    }
    const std::vector<std::string> prepared = Texts("SQLPrepare");
    ASSERT_EQ(prepared.size(), 2u);
    EXPECT_EQ(prepared[0], "SELECT CISLO,NAZEV,POZNAMKA FROM Test_Korvelandix WHERE 0 = 1");
    EXPECT_EQ(prepared[1], "INSERT INTO Test_Korvelandix (CISLO,NAZEV,POZNAMKA) VALUES (?,?,?)");
    EXPECT_EQ(Calls("SQLExecute"), 3);
    EXPECT_EQ(Texts("SQLPutData"), (std::vector<std::string>{"5", "5", "5"}));
}

TEST_F(InsertTest, AnEmptyBlobIsNullAndSendsNoData) {
    AttachedTable table("MYDSN");
    Open(table);
    table.table.SetCislo(1);
    ASSERT_EQ(Add(table), 0) << CurrentErrors().fileErrorText;
    EXPECT_EQ(Calls("SQLPutData"), 0);
    EXPECT_EQ(table.State().blobs[0].bindIndicator, SQL_NULL_DATA);
}

TEST_F(InsertTest, ANullMarkOnlyCountsForABlankValue) {
    struct Case {
        const char* nazev;
        SQLLEN indicator;
    };
    const Case cases[] = {{"value", SQL_NTS}, {"", SQL_NULL_DATA}};
    AttachedTable table("MYDSN");
    Open(table);
    for (const Case& c : cases) {
        table.table.SetCislo(1);
        table.table.SetNazev(c.nazev);
        table.Run(op::SETNULL, Arguments::WithNumbers({2}));
        ASSERT_EQ(Add(table), 0) << CurrentErrors().fileErrorText;
        EXPECT_EQ(table.State().fields[1].bindIndicator, c.indicator) << c.nazev;
    }
}

TEST_F(InsertTest, AFailedInsertReportsTheServerAndLeavesTheImage) {
    struct Case {
        const char* what;
        const char* function;
        const char* state;
    };
    const Case cases[] = {{"the execution", "SQLExecute", "23000"},
                          {"the data at execution", "SQLPutData", "22001"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UseLibrary(FAKE_ODBC_LIBRARY);
        AttachedTable table("MYDSN");
        Open(table);
        table.table.SetCislo(7);
        SetBlob(table, "abc");
        ASSERT_EQ(Add(table), 0);
        table.table.SetCislo(8);
        Push(c.function, SQL_ERROR, c.state, "[Fake]refused");
        EXPECT_EQ(Add(table), 90);
        EXPECT_EQ(CurrentErrors().fileErrorCode, c.state);
        EXPECT_EQ(CurrentErrors().fileErrorText, "refused");
        std::int32_t imaged = 0;
        std::memcpy(&imaged, table.State().recordImage.data(), sizeof imaged);
        EXPECT_EQ(imaged, 7);  // still the row last written
    }
}

}  // namespace
}  // namespace dbprobe::odbc
