// The compatibility test's whole operation sequence on the test table, driven
// straight through the driver against the real drivers and servers: rows
// numbered by reading the highest key before each ADD, then emptied by
// reading in file order and deleting row by row with the cursor open.

#include <gtest/gtest.h>

#include <sqlext.h>

#include <chrono>
#include <cstdio>
#include <iostream>

#include "odbc/session/connection.h"
#include "odbc/session/environment.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/session/statement_calls.h"
#include "odbc/sql/blob_write.h"
#include "tests/support/attached_table.h"
#include "tests/support/test_dsns.h"
#include "tests/support/trace_capture.h"

namespace dbprobe::odbc {
namespace {

using testing::AttachedTable;

// "Příliš žluťoučký kůň" in windows-1250.
const std::string kCzech = "P\xf8\xed" "li\x9a \x9e" "lu\x9d" "ou\xe8" "k\xfd k\xf9\xf2";
constexpr int kRows = 1000;
const std::string kFileOrder = "SELECT CISLO,NAZEV,POZNAMKA FROM Test_Korvelandix ";
const std::string kDelete = "DELETE FROM Test_Korvelandix WHERE CISLO = ? ";

std::string LongText() {
    std::string text;
    for (int i = 0; i < 276; ++i) text += static_cast<char>('a' + i % 26);
    return text;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The handle of the statement prepared with exactly `sql`, as the trace shows it.
std::string PreparedHandle(const std::string& trace, const std::string& sql) {
    const std::string marker = " : " + sql + " Time Taken:";
    const std::size_t at = trace.find(marker);
    if (at == std::string::npos) return {};
    const std::size_t start = trace.rfind("Preparing Statement ", at);
    if (start == std::string::npos) return {};
    const std::size_t handle = start + std::string("Preparing Statement ").size();
    return trace.substr(handle, at - handle);
}

int Occurrences(const std::string& text, const std::string& fragment) {
    int count = 0;
    for (std::size_t at = text.find(fragment); at != std::string::npos; at = text.find(fragment, at + 1))
        ++count;
    return count;
}

class TestSequenceRealTest : public ::testing::TestWithParam<const char*> {
protected:
    void TearDown() override {
        if (testing::DsnAvailable(GetParam())) testing::RunSql(GetParam(), "DROP TABLE Test_Korvelandix");
        EndProgram();
    }

    static int Run(AttachedTable& t, int operation, Arguments args = {}) {
        ClearErrors();
        t.Run(operation, std::move(args));
        return CurrentErrors().errorCode;
    }
    static std::string Failure() {
        return CurrentErrors().fileErrorCode + " " + CurrentErrors().fileErrorText;
    }

    static void CreateAndOpen(AttachedTable& t) {
        // Descriptions are kept per declaration for the whole process; another
        // backend's must not stand in for this one's.
        t.Run(op::DESTROY);
        t.vars.primaryKeyName.Assign("KeyTstCislo");
        t.vars.secondKeyName.Assign("KeyTstNazev");
        ASSERT_EQ(Run(t, op::CREATE), 0) << Failure();
        ASSERT_EQ(Run(t, op::OPEN, Arguments::WithNumbers({0x22})), 0) << Failure();
        ASSERT_EQ(Run(t, op::SETfile), 0);
    }

    // The insert loop: read the highest number (33 on the empty table),
    // number + 1, the name, the BLOB's size and content, ADD.
    static void InsertRows(AttachedTable& t, const std::string& blob) {
        for (int i = 1; i <= kRows; ++i) {
            ASSERT_EQ(Run(t, op::SETkey, Arguments::WithKey(&t.table.PrimaryKey())), 0);
            const int read = Run(t, op::PREVIOUS);
            ASSERT_TRUE(read == 0 || (read == err::RecordNotAvailable && i == 1))
                << "row " << i << ": " << read << " " << Failure();
            const std::int32_t next = read == 0 ? t.table.Cislo() + 1 : 1;
            ASSERT_EQ(next, i);
            t.table.SetCislo(next);
            t.table.SetNazev(kCzech + " " + std::to_string(next));
            Arguments size = Arguments::WithTexts({std::to_string(blobprop::Size), std::to_string(blob.size())});
            size.numbers = {1};
            ASSERT_EQ(Run(t, op::BLOB_SET_PROP, size), 0);
            Arguments take = Arguments::WithTexts({blob});
            take.numbers = {1, 0, static_cast<std::int64_t>(blob.size()) - 1};
            ASSERT_EQ(Run(t, op::BLOB_TAKE, take), 0);
            ASSERT_EQ(Run(t, op::ADD), 0) << "row " << i << ": " << Failure();
        }
    }

    // The delete loop: SETfile, then NEXT and DELETE until NEXT fails.
    static int DeleteRows(AttachedTable& t) {
        EXPECT_EQ(Run(t, op::SETfile), 0);
        int deleted = 0;
        int read = 0;
        while ((read = Run(t, op::NEXT)) == 0) {
            EXPECT_EQ(Run(t, op::DELETE), 0) << "row " << t.table.Cislo() << ": " << Failure();
            if (CurrentErrors().errorCode != 0) break;
            ++deleted;
        }
        EXPECT_EQ(read, err::RecordNotAvailable) << Failure();
        return deleted;
    }

    static std::int64_t RowCount(const char* dsn) {
        AttachedTable reader(dsn);
        if (reader.Connect() != 0) return -1;
        Statement& s = reader.Main();
        if (!SQL_SUCCEEDED(ExecuteDirect(s, "SELECT COUNT(*), SUM(CISLO) FROM Test_Korvelandix"))) return -1;
        SQLINTEGER count = -1;
        SQLLEN n = 0;
        if (Fetch(s) == SQL_SUCCESS) GetData(s, 1, SQL_C_SLONG, &count, sizeof count, &n);
        CloseCursor(s);
        return count;
    }
};

TEST_P(TestSequenceRealTest, TheWholeSequenceNumbersAndEmptiesTheTable) {
    DBPROBE_REQUIRE_DSN(GetParam());
    testing::TraceCapture trace;
    {
        AttachedTable t(GetParam());
        CreateAndOpen(t);
        InsertRows(t, LongText());
        if (HasFatalFailure()) return;
        ASSERT_EQ(RowCount(GetParam()), kRows);

        EXPECT_EQ(DeleteRows(t), kRows);
        EXPECT_EQ(RowCount(GetParam()), 0);  // empty before DROP
        EXPECT_EQ(Run(t, op::CLOSE), 0);
        EXPECT_EQ(Run(t, op::REMOVE), 0) << Failure();
    }
    const std::string text = trace.Text();
    // The numbering read: one descending SELECT, prepared once, executed per row.
    const std::string descending = "SELECT CISLO,NAZEV,POZNAMKA FROM Test_Korvelandix  ORDER BY CISLO DESC ";
    const std::string highest = PreparedHandle(text, descending);
    ASSERT_FALSE(highest.empty());
    const std::string numbering = text.substr(text.find("Preparing Statement " + highest + " : " + descending));
    EXPECT_EQ(Occurrences(numbering, "Executing prepared Statement " + highest + " "), kRows);
    // The delete loop: one execution, 1001 fetches, 1000 deletes. Handles are
    // addresses that may be reused, so only the lines from the preparation on
    // count.
    const std::string order = PreparedHandle(text, kFileOrder);
    const std::string remove = PreparedHandle(text, kDelete);
    ASSERT_FALSE(order.empty());
    ASSERT_FALSE(remove.empty());
    const std::string loop = text.substr(text.find("Preparing Statement " + order + " : " + kFileOrder));
    EXPECT_EQ(Occurrences(loop, "Preparing Statement " + order + " "), 1);
    EXPECT_EQ(Occurrences(loop, "Executing prepared Statement " + order + " "), 1);
    EXPECT_EQ(Occurrences(loop, "Fetching Row from Statement " + order + " "), kRows + 1);
    EXPECT_EQ(Occurrences(loop, "Preparing Statement " + remove + " "), 1);
    EXPECT_EQ(Occurrences(loop, "Executing prepared Statement " + remove + " "), kRows);
}

// The driver's cost next to a minimal loop of plain calls sending the same
// statements, in the same run.
TEST_P(TestSequenceRealTest, DriverCostNextToAPlainLoop) {
    DBPROBE_REQUIRE_DSN(GetParam());
    const std::string blob = LongText();
    double insertSeconds = 0, deleteSeconds = 0;
    {
        AttachedTable t(GetParam());
        CreateAndOpen(t);
        auto started = std::chrono::steady_clock::now();
        InsertRows(t, blob);
        insertSeconds = Seconds(started);
        if (HasFatalFailure()) return;
        started = std::chrono::steady_clock::now();
        EXPECT_EQ(DeleteRows(t), kRows);
        deleteSeconds = Seconds(started);
        Run(t, op::CLOSE);
    }

    AttachedTable raw(GetParam());
    ASSERT_EQ(raw.Connect(), 0);
    const OdbcApi& api = OdbcEnvironment::Existing()->api;
    SQLHDBC dbc = raw.Main().connection->hdbc;
    SQLHSTMT select = SQL_NULL_HSTMT, insert = SQL_NULL_HSTMT, erase = SQL_NULL_HSTMT;
    api.AllocStmt(dbc, &select);
    api.AllocStmt(dbc, &insert);
    api.AllocStmt(dbc, &erase);
    SQLINTEGER cislo = 0, key = 0;
    char nazev[256] = {0};
    SQLLEN cisloLength = 0, nazevLength = 0, four = 4, nts = SQL_NTS;
    std::string text = blob;
    text.push_back('\0');
    SQLLEN atExec = SQL_LEN_DATA_AT_EXEC(static_cast<SQLLEN>(text.size()));

    auto started = std::chrono::steady_clock::now();
    api.Prepare(select, (SQLCHAR*)"SELECT CISLO,NAZEV,POZNAMKA FROM Test_Korvelandix  ORDER BY CISLO DESC ", SQL_NTS);
    api.BindCol(select, 1, SQL_C_SLONG, &cislo, 4, &cisloLength);
    api.BindCol(select, 2, SQL_C_CHAR, nazev, sizeof nazev, &nazevLength);
    api.Prepare(insert, (SQLCHAR*)"INSERT INTO Test_Korvelandix (CISLO,NAZEV,POZNAMKA) VALUES (?,?,?)", SQL_NTS);
    for (int i = 1; i <= kRows; ++i) {
        ASSERT_TRUE(SQL_SUCCEEDED(api.Execute(select)));
        const SQLRETURN fetched = api.Fetch(select);
        const SQLINTEGER next = fetched == SQL_NO_DATA ? 1 : cislo + 1;
        api.FreeStmt(select, SQL_CLOSE);
        ASSERT_EQ(next, i);
        key = next;
        std::snprintf(nazev, sizeof nazev, "%s %d", kCzech.c_str(), i);
        api.BindParameter(insert, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 10, 0, &key, 4, &four);
        api.BindParameter(insert, 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_CHAR, 255, 0, nazev, 256, &nts);
        api.BindParameter(insert, 3, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_LONGVARCHAR, 0, 0, &text, 0, &atExec);
        SQLRETURN rc = api.Execute(insert);
        SQLPOINTER token = nullptr;
        while (rc == SQL_NEED_DATA) {
            rc = api.ParamData(insert, &token);
            if (rc == SQL_NEED_DATA) api.PutData(insert, text.data(), static_cast<SQLLEN>(text.size()));
        }
        ASSERT_TRUE(SQL_SUCCEEDED(rc)) << "plain row " << i;
    }
    const double rawInsertSeconds = Seconds(started);

    started = std::chrono::steady_clock::now();
    api.FreeStmt(select, SQL_UNBIND);
    api.Prepare(select, (SQLCHAR*)kFileOrder.c_str(), SQL_NTS);
    api.BindCol(select, 1, SQL_C_SLONG, &cislo, 4, &cisloLength);
    api.BindCol(select, 2, SQL_C_CHAR, nazev, sizeof nazev, &nazevLength);
    api.Prepare(erase, (SQLCHAR*)kDelete.c_str(), SQL_NTS);
    api.BindParameter(erase, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 10, 0, &key, 4, &four);
    ASSERT_TRUE(SQL_SUCCEEDED(api.Execute(select)));
    int deleted = 0;
    while (api.Fetch(select) == SQL_SUCCESS) {
        key = cislo;
        ASSERT_TRUE(SQL_SUCCEEDED(api.Execute(erase))) << "plain delete " << key;
        ++deleted;
    }
    const double rawDeleteSeconds = Seconds(started);
    EXPECT_EQ(deleted, kRows);
    api.FreeStmt(select, SQL_DROP);
    api.FreeStmt(insert, SQL_DROP);
    api.FreeStmt(erase, SQL_DROP);

    std::cout << GetParam() << ": " << kRows << " x (SETkey+PREVIOUS+ADD) " << insertSeconds
              << " s, plain " << rawInsertSeconds << " s; delete loop " << deleteSeconds
              << " s, plain " << rawDeleteSeconds << " s\n";
}

INSTANTIATE_TEST_SUITE_P(Backends, TestSequenceRealTest,
                         ::testing::Values("dbprobe-sqlite", "dbprobe-pg", "dbprobe-maria"),
                         testing::DsnTestName());

}  // namespace
}  // namespace dbprobe::odbc
