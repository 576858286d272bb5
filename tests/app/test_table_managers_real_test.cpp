// The test table's file manager against the real drivers and servers,
// driven as the test drives it: the driver's own OPEN first, then 1000
// inserts that number themselves.

#include <gtest/gtest.h>

#include <sqlext.h>

#include "app/runtime_texts.h"
#include "app/test_table.h"
#include "app/test_table_managers.h"
#include "framework/platform/core/runtime_settings.h"
#include "framework/platform/scripted/scripted_window_services.h"
#include "odbc/session/environment.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/session/statement_calls.h"
#include "tests/support/attached_table.h"
#include "tests/support/test_dsns.h"

namespace dbprobe::app {
namespace {

namespace op = odbc::op;
constexpr int kRows = 1000;

std::string Note(int row) {
    std::string text;
    for (int i = 0; i < 276; ++i) text += static_cast<char>('a' + (i + row) % 26);
    return text;
}

class FileManagerRealTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        if (!testing::DsnAvailable(GetParam())) return;
        testing::RunSql(GetParam(), "DROP TABLE Test_Korvelandix");
        platform::ResetSettings();
        InstallRuntimeTexts();
        auto services = std::make_unique<platform::ScriptedWindowServices>();
        screen_ = services.get();
        platform::InstallServices(std::move(services));
        framework::ResetThreadErrorStatus();
        GlobalErrors().Start();
        TesterVariables& vars = Globals();
        vars.dataSource.Assign(GetParam());
        vars.tableName.Assign("Test_Korvelandix");
        vars.primaryKeyName.Assign("KeyTstCislo");
        vars.secondKeyName.Assign("KeyTstNazev");
        Run(op::DESTROY);  // no descriptions from another backend
        DictionaryInit();
    }
    void TearDown() override {
        if (!testing::DsnAvailable(GetParam())) return;
        DictionaryKill();
        Run(op::DESTROY);
        platform::RemoveServices();
        platform::ResetSettings();
        testing::RunSql(GetParam(), "DROP TABLE Test_Korvelandix");
        odbc::EndProgram();
    }
    static int Run(int operation, odbc::Arguments args = {}) {
        odbc::ClearErrors();
        odbc::CallDriver(operation, ThisThreadTestDat().File(), args);
        return odbc::CurrentErrors().errorCode;
    }
    static void SetNote(const std::string& text) {
        odbc::Arguments size = odbc::Arguments::WithTexts({"31929", std::to_string(text.size())});
        size.numbers = {1};
        Run(op::BLOB_SET_PROP, size);
        odbc::Arguments take = odbc::Arguments::WithTexts({text});
        take.numbers = {1, 0, static_cast<std::int64_t>(text.size()) - 1};
        Run(op::BLOB_TAKE, take);
    }

    platform::ScriptedWindowServices* screen_ = nullptr;
};

TEST_P(FileManagerRealTest, ThousandInsertsNumberThemselvesAndKeepTheirBlob) {
    DBPROBE_REQUIRE_DSN(GetParam());
    ASSERT_EQ(Run(op::CREATE), 0) << odbc::CurrentErrors().fileErrorText;
    ASSERT_EQ(Run(op::OPEN, odbc::Arguments::WithNumbers({0x22})), 0);
    Run(op::SETfile);
    TestDat& table = ThisThreadTestDat();
    for (int i = 1; i <= kRows; ++i) {
        table.SetNazev("radek " + std::to_string(i));
        SetNote(Note(i));
        ASSERT_EQ(Access()->Insert(), 0) << "row " << i << ": " << odbc::CurrentErrors().errorCode << " "
                                          << odbc::CurrentErrors().fileErrorText;
        ASSERT_EQ(table.Cislo(), i);
    }
    EXPECT_TRUE(screen_->Boxes().empty());
    // The manager's own open met the test's and counted it as its own.
    EXPECT_TRUE(Access()->used);
    EXPECT_EQ(Access()->opened, 1);

    // Every row carries its number and the BLOB written before its insert.
    testing::AttachedTable reader(GetParam());
    ASSERT_EQ(reader.Connect(), 0);
    odbc::Statement& s = reader.Main();
    ASSERT_TRUE(SQL_SUCCEEDED(odbc::ExecuteDirect(s, "SELECT CISLO, POZNAMKA FROM Test_Korvelandix ORDER BY CISLO")));
    int rows = 0;
    while (odbc::Fetch(s) == SQL_SUCCESS) {
        ++rows;
        SQLINTEGER cislo = 0;
        char note[400] = {0};
        SQLLEN n1 = 0, n2 = 0;
        odbc::GetData(s, 1, SQL_C_SLONG, &cislo, sizeof cislo, &n1);
        odbc::GetData(s, 2, SQL_C_CHAR, note, sizeof note, &n2);
        ASSERT_EQ(cislo, rows);
        ASSERT_EQ(std::string(note), Note(rows)) << "row " << rows;
    }
    odbc::CloseCursor(s);
    EXPECT_EQ(rows, kRows);

    EXPECT_EQ(Run(op::CLOSE), 0);
    EXPECT_EQ(Run(op::REMOVE), 0);
    // Thread end: the manager still counts its open and closes the closed
    // table; the error is not examined.
    DictionaryKill();
    EXPECT_EQ(Access(), nullptr);
    EXPECT_EQ(Run(op::DESTROY), 0);
}

INSTANTIATE_TEST_SUITE_P(Backends, FileManagerRealTest,
                         ::testing::Values("dbprobe-sqlite", "dbprobe-pg", "dbprobe-maria"),
                         testing::DsnTestName());

}  // namespace
}  // namespace dbprobe::app
