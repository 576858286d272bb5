// ADD against the real drivers and servers: the test table's 1000 rows, read
// back with plain ODBC calls.

#include <gtest/gtest.h>

#include <sqlext.h>

#include <chrono>
#include <cstdio>

#include "odbc/dispatch/dispatcher.h"
#include "odbc/dispatch/handlers.h"
#include "odbc/dispatch/operation.h"
#include "odbc/session/environment.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/session/statement_calls.h"
#include "odbc/sql/blob_write.h"
#include "tests/support/attached_table.h"
#include "tests/support/declared_file.h"
#include "tests/support/test_dsns.h"
#include "tests/support/trace_capture.h"

namespace dbprobe::odbc {
namespace {

using testing::AttachedTable;

// "Příliš žluťoučký kůň" in windows-1250.
const std::string kCzech = "P\xf8\xed" "li\x9a \x9e" "lu\x9d" "ou\xe8" "k\xfd k\xf9\xf2";
constexpr int kRows = 1000;

class InsertRealTest : public ::testing::TestWithParam<const char*> {
protected:
    void TearDown() override {
        if (testing::DsnAvailable(GetParam())) testing::RunSql(GetParam(), "DROP TABLE Test_Korvelandix");
        EndProgram();
    }
    static std::string LongText() {
        std::string blob;
        for (int i = 0; i < 276; ++i) blob += static_cast<char>('A' + i % 26);
        return blob;
    }
    // The test's write loop: number, Czech text, the long text, ADD.
    static double AddRows(AttachedTable& table, const std::string& blob) {
        const auto started = std::chrono::steady_clock::now();
        for (int i = 1; i <= kRows; ++i) {
            table.table.SetCislo(i);
            table.table.SetNazev(kCzech + " " + std::to_string(i));
            SetBlob(table, blob);
            table.Run(op::ADD);
            EXPECT_EQ(CurrentErrors().errorCode, 0) << "row " << i << ": "
                                                    << CurrentErrors().fileErrorCode << " "
                                                    << CurrentErrors().fileErrorText;
            if (CurrentErrors().errorCode != 0) break;
        }
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    }
    static void CreateAndOpen(AttachedTable& table) {
        // Descriptions are kept per declaration for the whole process; another
        // backend's must not stand in for this one's.
        table.Run(op::DESTROY);
        table.vars.primaryKeyName.Assign("KeyTstCislo");
        table.vars.secondKeyName.Assign("KeyTstNazev");
        table.Run(op::CREATE);
        ASSERT_EQ(CurrentErrors().errorCode, 0) << CurrentErrors().fileErrorText;
        table.Run(op::OPEN, Arguments::WithNumbers({0x22}));
        ASSERT_EQ(CurrentErrors().errorCode, 0);
    }
    // The BLOB as the test sets it: the size property, then one slice.
    static void SetBlob(AttachedTable& table, const std::string& text) {
        Arguments size = Arguments::WithTexts({std::to_string(blobprop::Size), std::to_string(text.size())});
        size.numbers = {1};
        table.Run(op::BLOB_SET_PROP, size);
        Arguments take = Arguments::WithTexts({text});
        take.numbers = {1, 0, static_cast<std::int64_t>(text.size()) - 1};
        table.Run(op::BLOB_TAKE, take);
    }
};

TEST_P(InsertRealTest, ThousandRowsWithCzechTextAndALongText) {
    DBPROBE_REQUIRE_DSN(GetParam());
    testing::TraceCapture trace;
    AttachedTable table(GetParam());
    CreateAndOpen(table);

    const std::string blob = LongText();
    const double seconds = AddRows(table, blob);
    std::cout << GetParam() << ": " << kRows << " ADDs (traced) in " << seconds << " s\n";
    EXPECT_EQ(trace.Count("Getting columns for "), 1);  // OPEN's structure check
    EXPECT_EQ(trace.Count("Preparing Statement "), 2);  // the describe step and the INSERT
    EXPECT_EQ(trace.Count(" : INSERT INTO Test_Korvelandix (CISLO,NAZEV,POZNAMKA) VALUES (?,?,?)"), 1);
    EXPECT_EQ(trace.Count("Executing prepared Statement "), kRows);
    EXPECT_EQ(trace.Count("Putting Data to Statement "), kRows);

    // Read every row back with plain calls.
    AttachedTable reader(GetParam());
    ASSERT_EQ(reader.Connect(), 0);
    Statement& s = reader.Main();
    ASSERT_TRUE(SQL_SUCCEEDED(ExecuteDirect(s, "SELECT CISLO, NAZEV, POZNAMKA FROM Test_Korvelandix ORDER BY CISLO")));
    int rows = 0;
    while (Fetch(s) == SQL_SUCCESS) {
        ++rows;
        SQLINTEGER cislo = 0;
        char nazev[300] = {0};
        char poznamka[400] = {0};
        SQLLEN n1 = 0, n2 = 0, n3 = 0;
        GetData(s, 1, SQL_C_SLONG, &cislo, sizeof cislo, &n1);
        GetData(s, 2, SQL_C_CHAR, nazev, sizeof nazev, &n2);
        GetData(s, 3, SQL_C_CHAR, poznamka, sizeof poznamka, &n3);
        ASSERT_EQ(cislo, rows);
        std::string name(nazev);
        while (!name.empty() && name.back() == ' ') name.pop_back();
        ASSERT_EQ(name, kCzech + " " + std::to_string(rows));
        // MariaDB and PostgreSQL keep the text without its zero byte.
        ASSERT_EQ(std::string(poznamka), blob);
    }
    EXPECT_EQ(rows, kRows);

    table.Run(op::CLOSE);
    EXPECT_EQ(CurrentErrors().errorCode, 0);
    table.Run(op::REMOVE);
    EXPECT_EQ(CurrentErrors().errorCode, 0) << CurrentErrors().fileErrorText;
    EXPECT_EQ(trace.Executed().back(), "DROP TABLE Test_Korvelandix");
}

TEST_P(InsertRealTest, DriverCostNextToAPlainLoop) {
    DBPROBE_REQUIRE_DSN(GetParam());
    AttachedTable table(GetParam());
    CreateAndOpen(table);
    const std::string blob = LongText();
    const double seconds = AddRows(table, blob);
    std::cout << GetParam() << ": " << kRows << " ADDs in " << seconds << " s\n";

    // The same inserts by a minimal loop of plain calls, prepared once, bound
    // the same way, for comparison of the driver's own cost.
    {
        AttachedTable raw(GetParam());
        ASSERT_EQ(raw.Connect(), 0);
        Statement& s = raw.Main();
        ASSERT_TRUE(SQL_SUCCEEDED(ExecuteDirect(s, "DELETE FROM Test_Korvelandix")));
        const OdbcApi& api = OdbcEnvironment::Existing()->api;
        SQLHSTMT h = s.hstmt;
        SQLINTEGER cislo = 0;
        char nazev[256];
        std::string text = blob;
        text.push_back('\0');
        SQLLEN nts = SQL_NTS, atExec = SQL_LEN_DATA_AT_EXEC(static_cast<SQLLEN>(text.size())), four = 4;
        const auto rawStarted = std::chrono::steady_clock::now();
        ASSERT_TRUE(SQL_SUCCEEDED(api.Prepare(
            h, (SQLCHAR*)"INSERT INTO Test_Korvelandix (CISLO,NAZEV,POZNAMKA) VALUES (?,?,?)", SQL_NTS)));
        for (int i = 1; i <= kRows; ++i) {
            cislo = i;
            const std::string name = kCzech + " " + std::to_string(i);
            std::snprintf(nazev, sizeof nazev, "%s", name.c_str());
            api.BindParameter(h, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 10, 0, &cislo, 4, &four);
            api.BindParameter(h, 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_CHAR, 255, 0, nazev, 256, &nts);
            api.BindParameter(h, 3, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_LONGVARCHAR, 0, 0, &text, 0, &atExec);
            SQLRETURN rc = api.Execute(h);
            SQLPOINTER token = nullptr;
            while (rc == SQL_NEED_DATA) {
                rc = api.ParamData(h, &token);
                if (rc == SQL_NEED_DATA) api.PutData(h, text.data(), static_cast<SQLLEN>(text.size()));
            }
            ASSERT_TRUE(SQL_SUCCEEDED(rc)) << "raw row " << i;
        }
        const double rawSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - rawStarted).count();
        std::cout << GetParam() << ": " << kRows << " plain inserts in " << rawSeconds << " s\n";
        api.FreeStmt(h, SQL_CLOSE);
    }

}

TEST_P(InsertRealTest, BatchModeSendsRowsTogether) {
    DBPROBE_REQUIRE_DSN(GetParam());
    using testing::Field;
    using testing::Group;
    testing::Declaration d;
    d.recordSize = 24;
    d.layout = {Group(0, 24, 2), Field(kind::LONG, 0, 4, "B:ID"), Field(kind::STRING, 4, 20, "B:NAME")};
    d.keys = {testing::KeyDecl{"KeyBatchId", "B:PRIMARY", keyattr::PRIMARY, {1}}};
    d.blobs.clear();
    testing::DeclaredFile file(d, "Batch_Table", GetParam());
    auto run = [&](int operation, Arguments args = {}) {
        ClearErrors();
        Dispatch(operation, &file.file, args);
        return CurrentErrors().errorCode;
    };
    ASSERT_EQ(run(op::CREATE), 0) << CurrentErrors().fileErrorText;
    ASSERT_EQ(run(op::OPEN, Arguments::WithNumbers({0x22})), 0) << CurrentErrors().fileErrorText;
    ASSERT_EQ(run(op::SET_PROPERTY, Arguments::WithTexts({"29506", "10"})), 0);
    for (std::int32_t id = 1; id <= 25; ++id) {
        std::memcpy(file.file.recordBuffer, &id, 4);
        const std::string name = kCzech + " " + std::to_string(id);
        std::memset(static_cast<char*>(file.file.recordBuffer) + 4, ' ', 20);
        std::memcpy(static_cast<char*>(file.file.recordBuffer) + 4, name.data(), std::min<std::size_t>(name.size(), 20));
        ASSERT_EQ(run(op::ADD), 0) << id << ": " << CurrentErrors().fileErrorText;
    }
    ASSERT_EQ(run(op::CLOSE), 0) << CurrentErrors().fileErrorText;  // sends the last 5 rows

    AttachedTable reader(GetParam());
    ASSERT_EQ(reader.Connect(), 0);
    Statement& s = reader.Main();
    ASSERT_TRUE(SQL_SUCCEEDED(ExecuteDirect(s, "SELECT COUNT(*), SUM(ID) FROM Batch_Table")));
    ASSERT_EQ(Fetch(s), SQL_SUCCESS);
    SQLINTEGER count = 0, sum = 0;
    SQLLEN n = 0;
    GetData(s, 1, SQL_C_SLONG, &count, sizeof count, &n);
    GetData(s, 2, SQL_C_SLONG, &sum, sizeof sum, &n);
    EXPECT_EQ(count, 25);
    EXPECT_EQ(sum, 25 * 26 / 2);
    CloseCursor(s);
    ExecuteDirect(s, "DROP TABLE Batch_Table");
}

INSTANTIATE_TEST_SUITE_P(Backends, InsertRealTest,
                         ::testing::Values("dbprobe-sqlite", "dbprobe-pg", "dbprobe-maria"),
                         testing::DsnTestName());

}  // namespace
}  // namespace dbprobe::odbc
