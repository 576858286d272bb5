// The test table's file manager against the scripted fake driver manager:
// what Insert shows and returns when the numbering read, the INSERT, the open
// or the creation of the table fails, what it sends when nothing fails, and
// what the end of the thread leaves behind.

#include <gtest/gtest.h>

#include <sqlext.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/runtime_texts.h"
#include "app/test_table.h"
#include "app/test_table_managers.h"
#include "framework/platform/core/encoding.h"
#include "framework/platform/core/runtime_settings.h"
#include "framework/platform/scripted/scripted_window_services.h"
#include "odbc/dispatch/descriptor.h"
#include "odbc/dispatch/driver_state.h"
#include "odbc/dispatch/operation.h"
#include "odbc/session/runtime_error_state.h"
#include "tests/support/fake_session.h"

namespace dbprobe::app {
namespace {

namespace op = odbc::op;
namespace level = framework::level;
using namespace platform::literals;
using Row = std::vector<const char*>;

const std::vector<const char*> kColumns = {"CISLO", "NAZEV", "POZNAMKA"};
constexpr std::int64_t kReadWriteDenyWrite = 0x22;

// The next statement prepared describes the table's columns and each of its
// executions produces these rows.
void QueueRows(const std::vector<Row>& rows) {
    std::vector<const char*> cells;
    for (const Row& row : rows) cells.insert(cells.end(), row.begin(), row.end());
    fake_odbc_queue_result_set(static_cast<int>(kColumns.size()), kColumns.data(),
                               static_cast<int>(rows.size()), cells.data());
}

std::string Note(std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) text += static_cast<char>('a' + i % 26);
    return text;
}

class TestTableManagerTest : public testing::FakeOdbcTest {
protected:
    void SetUp() override {
        FakeOdbcTest::SetUp();
        Begin();
    }
    void TearDown() override {
        End();
        FakeOdbcTest::TearDown();
    }

    // A fresh driver, screen, error manager and pair of managers; the table
    // opened without its structure check unless a test says otherwise.
    void Begin() {
        platform::ResetSettings();
        InstallRuntimeTexts();
        auto services = std::make_unique<platform::ScriptedWindowServices>();
        screen_ = services.get();
        platform::InstallServices(std::move(services));
        framework::ResetThreadErrorStatus();
        TesterVariables& vars = Globals();
        vars.dataSource.Assign("MYDSN");
        vars.tableName.Assign("Test_Korvelandix");
        vars.primaryKeyName.Assign("KeyTstCislo");
        vars.secondKeyName.Assign("KeyTstNazev");
        vars.driverString.Assign("/NOVERIFY=TRUE");
        TestDat& table = ThisThreadTestDat();
        table.SetCislo(0);
        table.SetNazev("");
        Run(op::DESTROY);  // no column descriptions from an earlier case
        UseLibrary(FAKE_ODBC_LIBRARY);
        GlobalErrors().Start();
        DictionaryInit();
    }
    void End() {
        DictionaryKill();
        Run(op::DESTROY);
        platform::RemoveServices();
        platform::ResetSettings();
        screen_ = nullptr;
    }
    void Restart() {
        End();
        UseLibrary(FAKE_ODBC_LIBRARY);
        Begin();
    }

    static int Run(int operation, odbc::Arguments args = {}) {
        odbc::ClearErrors();
        odbc::CallDriver(operation, ThisThreadTestDat().File(), args);
        return odbc::CurrentErrors().errorCode;
    }
    static odbc::DriverState& State() { return *ThisThreadTestDat().File().driverState; }
    // The test's own OPEN, before the manager's; the describe step's columns
    // go to the first statement prepared.
    static void OpenByTest() {
        QueueRows({});
        ASSERT_EQ(Run(op::OPEN, odbc::Arguments::WithNumbers({kReadWriteDenyWrite})), 0)
            << odbc::CurrentErrors().fileErrorText;
    }
    static void SetNote(const std::string& text) {
        odbc::Arguments size = odbc::Arguments::WithTexts({"31929", std::to_string(text.size())});
        size.numbers = {1};
        ASSERT_EQ(Run(op::BLOB_SET_PROP, size), 0);
        odbc::Arguments take = odbc::Arguments::WithTexts({text});
        take.numbers = {1, 0, static_cast<std::int64_t>(text.size()) - 1};
        ASSERT_EQ(Run(op::BLOB_TAKE, take), 0);
    }
    static std::string Nazev() { return std::string(ThisThreadTestDat().Record() + 4, kNazevSize); }
    static std::string Padded(const std::string& text) {
        return text + std::string(static_cast<std::size_t>(kNazevSize) - text.size(), ' ');
    }
    // CISLO of the row the driver last wrote.
    static std::int32_t WrittenCislo() {
        std::int32_t cislo = 0;
        std::memcpy(&cislo, State().recordImage.data(), sizeof cislo);
        return cislo;
    }
    static bool Prepared(const std::string& start) {
        for (const std::string& text : Texts("SQLPrepare"))
            if (text.rfind(start, 0) == 0) return true;
        return false;
    }

    platform::ScriptedWindowServices* screen_ = nullptr;
};

TEST_F(TestTableManagerTest, InsertsNumberFromTheHighestRowAndKeepTheRecordAndBlob) {
    struct Case {
        const char* what;
        std::vector<Row> rows;  // what the numbering read finds, highest first
        std::int32_t number;
    };
    const Case cases[] = {
        {"an empty table", {}, 1},
        {"a row numbered 7", {{"7", "sedm", "stara poznamka"}}, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Restart();
        OpenByTest();
        QueueRows(c.rows);
        ThisThreadTestDat().SetNazev("novy");
        const std::string note = Note(276);
        SetNote(note);
        ASSERT_EQ(Access()->Insert(), 0) << odbc::CurrentErrors().fileErrorText;
        EXPECT_EQ(ThisThreadTestDat().Cislo(), c.number);
        EXPECT_EQ(WrittenCislo(), c.number);
        // The numbering read put its row into the record; the insert sends
        // what the program had prepared.
        EXPECT_EQ(Nazev(), Padded("novy"));
        EXPECT_EQ(Texts("SQLPutData"), std::vector<std::string>{"277"});
        const std::vector<char>& stored = State().blobs[0].contents;
        EXPECT_EQ(std::string(stored.data(), std::min(stored.size(), note.size())), note);
        EXPECT_TRUE(screen_->Boxes().empty());
    }
}

TEST_F(TestTableManagerTest, TheManagersOwnOpenMeetsTheTestsAndEachInsertSendsItsBlob) {
    OpenByTest();
    QueueRows({});
    ThisThreadTestDat().SetNazev("prvni");
    SetNote(Note(276));
    ASSERT_EQ(Access()->Insert(), 0) << odbc::CurrentErrors().fileErrorText;
    EXPECT_EQ(WrittenCislo(), 1);
    // The fake replays the prepared numbering read's rows at each execution,
    // so the second number is not looked at here.
    ThisThreadTestDat().SetNazev("druhy");
    SetNote(Note(10));
    ASSERT_EQ(Access()->Insert(), 0) << odbc::CurrentErrors().fileErrorText;

    // The manager's OPEN was answered "already open": counted as its own,
    // nothing shown, the test's mode and connection kept.
    EXPECT_TRUE(Access()->used);
    EXPECT_EQ(Access()->opened, 1);
    EXPECT_TRUE(screen_->Boxes().empty());
    EXPECT_TRUE(screen_->Halts().empty());
    EXPECT_EQ(State().openMode, kReadWriteDenyWrite);
    EXPECT_EQ(Calls("SQLDriverConnect"), 1);
    EXPECT_EQ(Texts("SQLPutData"), (std::vector<std::string>{"277", "11"}));
    EXPECT_EQ(Texts("SQLPrepare"),
              (std::vector<std::string>{
                  "SELECT CISLO,NAZEV,POZNAMKA FROM Test_Korvelandix WHERE 0 = 1",
                  "SELECT CISLO,NAZEV,POZNAMKA FROM Test_Korvelandix  ORDER BY CISLO DESC ",
                  "INSERT INTO Test_Korvelandix (CISLO,NAZEV,POZNAMKA) VALUES (?,?,?)"}));
}

TEST_F(TestTableManagerTest, AFailedNumberingReadIsReportedAndNothingIsInserted) {
    struct Case {
        const char* what;
        const char* function;
    };
    const Case cases[] = {{"the execution", "SQLExecute"}, {"the fetch", "SQLFetch"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Restart();
        OpenByTest();
        QueueRows({{"7", "sedm", nullptr}});
        Push(c.function, SQL_ERROR, "S1000", "[Fake]General error");
        ThisThreadTestDat().SetNazev("novy");
        EXPECT_EQ(Access()->Insert(), level::Notify);
        ASSERT_EQ(screen_->Boxes().size(), 1u);
        EXPECT_EQ(screen_->Boxes()[0].caption, "Chyba při čtení souboru"_w1250.str());
        EXPECT_EQ(screen_->Boxes()[0].buttons, platform::button::Ok);
        EXPECT_TRUE(screen_->Halts().empty());
        EXPECT_FALSE(Prepared("INSERT"));
        EXPECT_EQ(Calls("SQLExecute"), 1);  // the numbering read's only
        EXPECT_EQ(Nazev(), Padded("novy"));
    }
}

TEST_F(TestTableManagerTest, FailedInsertsAskWhetherToTryThreeTimesMore) {
    struct Case {
        const char* what;
        int failures;  // INSERT executions that fail before one succeeds
        std::vector<int> answers;
        int result;
    };
    const Case cases[] = {
        {"one failure, then the row goes in unasked", 1, {}, 0},
        {"three failures, No at once", 3, {platform::button::No}, level::Notify},
        {"six failures, Yes, then No", 6, {platform::button::Yes, platform::button::No}, level::Notify},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Restart();
        OpenByTest();
        QueueRows({});
        // Each attempt executes the numbering read, then the INSERT; an
        // attempt beyond the scripted failures succeeds.
        for (int i = 0; i < c.failures; ++i) {
            Push("SQLExecute", SQL_SUCCESS, nullptr, nullptr);
            Push("SQLExecute", SQL_ERROR, "23000", "[Fake]refused");
        }
        for (int answer : c.answers) screen_->Answer(answer);
        EXPECT_EQ(Access()->Insert(), c.result);
        const int attempts = c.failures + (c.result == 0 ? 1 : 0);
        EXPECT_EQ(Calls("SQLExecute"), 2 * attempts);
        EXPECT_EQ(Calls("SQLFetch"), attempts);  // one per numbering read
        ASSERT_EQ(screen_->Boxes().size(), c.answers.size());
        for (const platform::MessageBox& box : screen_->Boxes()) {
            EXPECT_EQ(box.caption, "Auto Increment Error");
            EXPECT_EQ(box.buttons, platform::button::Yes | platform::button::No);
            EXPECT_EQ(box.icon, platform::icon::Question);
            EXPECT_NE(box.text.find("refused (23000)"), std::string::npos) << box.text;
        }
        EXPECT_EQ(ThisThreadTestDat().Cislo(), 1);
    }
}

TEST_F(TestTableManagerTest, ATableThatCannotBeOpenedFailsEachInsertAsAReadError) {
    Push("SQLDriverConnect", SQL_ERROR, "08001", "[Fake]Server not reachable", 100);
    for (std::size_t insert = 1; insert <= 3; ++insert) {
        SCOPED_TRACE(insert);
        EXPECT_EQ(Access()->Insert(), level::Notify);
        // One box per insert: the numbering read's; the open shows nothing.
        ASSERT_EQ(screen_->Boxes().size(), insert);
        EXPECT_EQ(screen_->Boxes().back().caption, "Chyba při čtení souboru"_w1250.str());
        EXPECT_FALSE(Access()->used);
    }
    EXPECT_TRUE(screen_->Halts().empty());
    EXPECT_EQ(Calls("SQLPrepare"), 0);
}

TEST_F(TestTableManagerTest, AMissingTableThatCannotBeCreatedIsFatal) {
    static const char* catalog[] = {"TABLE_QUALIFIER", "TABLE_OWNER", "TABLE_NAME", "COLUMN_NAME",
                                    "DATA_TYPE",       "TYPE_NAME",   "PRECISION",  "LENGTH",
                                    "SCALE",           "RADIX",       "NULLABLE"};
    fake_odbc_queue_result_set(11, catalog, 0, nullptr);  // the table has no columns
    static const char* types[] = {"TYPE_NAME", "DATA_TYPE", "PRECISION", "LITERAL_PREFIX",
                                  "LITERAL_SUFFIX", "CREATE_PARAMS"};
    const char* typeRows[] = {"INTEGER", "4",  "10", nullptr, nullptr, nullptr,
                              "CHAR",    "1",  "10", nullptr, nullptr, "length",
                              "TEXT",    "-1", "10", nullptr, nullptr, nullptr};
    fake_odbc_queue_result_set(6, types, 3, typeRows);
    Push("SQLExecDirect", SQL_ERROR, "42000", "[Fake]Permission denied", 10);
    Globals().driverString.Assign("");  // the structure check finds the table missing

    EXPECT_NE(Access()->Insert(), 0);
    EXPECT_EQ(Calls("SQLColumns"), 1);
    const std::vector<std::string> executed = Texts("SQLExecDirect");
    ASSERT_FALSE(executed.empty());
    EXPECT_EQ(executed[0].rfind("CREATE TABLE Test_Korvelandix ", 0), 0u) << executed[0];
    // The scripted halt returns, so what follows it is not looked at.
    ASSERT_FALSE(screen_->Boxes().empty());
    const platform::MessageBox& box = screen_->Boxes()[0];
    EXPECT_EQ(box.caption, "Chyba databáze"_w1250.str());
    EXPECT_EQ(box.text, "Chyba při vytváření databáze Test_Korvelandix.  Stiskněte OK pro ukončení programu"_w1250.str());
    EXPECT_EQ(box.buttons, platform::button::Ok);
    ASSERT_FALSE(screen_->Halts().empty());
    EXPECT_EQ(screen_->Halts()[0].exitCode, 0);
    EXPECT_EQ(screen_->Halts()[0].text, "Chyba databáze"_w1250.str());
    EXPECT_FALSE(Prepared("INSERT"));
}

TEST_F(TestTableManagerTest, ThreadEndClosesOnlyWhatTheManagerCountsOpen) {
    struct Case {
        const char* what;
        bool managerInserts;
        bool testClosesFirst;
        bool openAfterKill;
    };
    const Case cases[] = {
        {"the manager still counts its open", true, false, false},
        {"the test closed the table already", true, true, false},
        {"the manager never used the table", false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Restart();
        OpenByTest();
        if (c.managerInserts) {
            QueueRows({});
            ASSERT_EQ(Access()->Insert(), 0) << odbc::CurrentErrors().fileErrorText;
        }
        if (c.testClosesFirst) {
            ASSERT_EQ(Run(op::CLOSE), 0);
        }
        ASSERT_EQ(State().IsOpen(), !c.testClosesFirst);

        DictionaryKill();
        EXPECT_EQ(Access(), nullptr);
        EXPECT_EQ(Relate(), nullptr);
        EXPECT_EQ(State().IsOpen(), c.openAfterKill);
        EXPECT_TRUE(screen_->Boxes().empty());

        EXPECT_EQ(Run(op::DESTROY), 0);
        EXPECT_EQ(ThisThreadTestDat().File().driverState, nullptr);
        EXPECT_EQ(ThisThreadTestDat().File().callback, nullptr);
    }
}

}  // namespace
}  // namespace dbprobe::app
