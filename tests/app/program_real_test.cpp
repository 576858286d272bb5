// The whole program on the scripted window services: start-up, the main
// window, "Start", the test run against the real data sources, the verdict,
// and the end. Failure paths use a data source that does not exist.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/startup.h"
#include "app/test_table.h"
#include "framework/platform/core/encoding.h"
#include "framework/platform/core/runtime_settings.h"
#include "framework/platform/scripted/scripted_window_services.h"
#include "odbc/session/environment.h"
#include "odbc/session/statement_calls.h"
#include "tests/support/attached_table.h"
#include "tests/support/scoped_config_dir.h"
#include "tests/support/test_dsns.h"

namespace dbprobe::app {
namespace {

using namespace platform::literals;

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ResetSettings();
        TesterVariables& vars = Globals();
        vars.tableName.Clear();
        vars.primaryKeyName.Clear();
        vars.secondKeyName.Clear();
        auto services = std::make_unique<platform::ScriptedWindowServices>();
        screen_ = services.get();
        platform::InstallServices(std::move(services));
    }
    void TearDown() override {
        platform::RemoveServices();
        platform::ResetSettings();
        odbc::EndProgram();
    }
    // Types the data source name and presses "Start".
    int RunWith(const std::string& dsn) {
        Globals().dataSource.Assign(dsn);
        screen_->ScriptNextWindow({{platform::event::Accepted, 13}});
        return RunProgram();
    }
    // The status texts in the order they were shown, each once.
    std::vector<std::string> Statuses() const {
        std::vector<std::string> shown;
        for (const auto& s : screen_->Redisplays()) {
            auto it = s.texts.find(8);
            if (it != s.texts.end() && !it->second.empty() && (shown.empty() || shown.back() != it->second))
                shown.push_back(it->second);
        }
        return shown;
    }
    std::string Profile() const {
        std::ifstream in(config_.Path() / "dbprobe.INI");
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }

    testing::ScopedConfigDir config_{"program"};
    platform::ScriptedWindowServices* screen_ = nullptr;
};

class ProgramRealTest : public ProgramTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ProgramRealTest, ARunWithoutFailuresEndsWithTheGoodVerdict) {
    DBPROBE_REQUIRE_DSN(GetParam());
    testing::RunSql(GetParam(), "DROP TABLE Test_Korvelandix");
    EXPECT_EQ(RunWith(GetParam()), 0);

    ASSERT_FALSE(screen_->Boxes().empty());
    EXPECT_EQ(screen_->Boxes().size(), 1u) << screen_->Boxes().front().text;
    const platform::MessageBox& verdict = screen_->Boxes().back();
    EXPECT_EQ(verdict.caption, "Hotovo");
    EXPECT_EQ(verdict.icon, platform::icon::None);
    EXPECT_EQ(verdict.text.rfind("Test byl úspěšně dokončen !||"_w1250.str(), 0), 0u);
    EXPECT_TRUE(screen_->Halts().empty());

    const std::vector<std::string> statuses = Statuses();
    auto position = [&](const std::string& text) {
        return std::find(statuses.begin(), statuses.end(), text) - statuses.begin();
    };
    const std::vector<std::string> expected = {
        "Vytvářím tabulku Test_Korvelandix"_w1250.str(), "Otevírám tabulku pro zápis"_w1250.str(),
        "Zapisuji data do tabulky (1/1000)"_w1250.str(), "Zapisuji data do tabulky (1000/1000)"_w1250.str(),
        "Mažu data z tabulky (1/1000)"_w1250.str(), "Mažu data z tabulky (1001/1000)"_w1250.str(),
        "Mažu tabulku Test_Korvelandix"_w1250.str()};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_LT(position(expected[i]), static_cast<long>(statuses.size())) << platform::ToUtf8(expected[i]);
        if (i > 0) {
            EXPECT_LT(position(expected[i - 1]), position(expected[i]));
        }
    }
    EXPECT_EQ(statuses.back(), "Mažu tabulku Test_Korvelandix"_w1250.str());
    EXPECT_EQ(screen_->Redisplays().back().values.at(9), 5);  // the step counter
    EXPECT_EQ(screen_->Windows()[0].disabled, (std::set<int>{13, 14}));

    // The table is gone; the settings store wrote its bookkeeping.
    testing::AttachedTable check(GetParam());
    ASSERT_EQ(check.Connect(), 0);
    EXPECT_FALSE(SQL_SUCCEEDED(odbc::ExecuteDirect(check.Main(), "SELECT COUNT(*) FROM Test_Korvelandix")));
    odbc::ClearErrors();
    EXPECT_EQ(Profile(), "[__Dont_Touch_Me__]\nSectors=0\n");
}

INSTANTIATE_TEST_SUITE_P(Backends, ProgramRealTest,
                         ::testing::Values("dbprobe-sqlite", "dbprobe-pg", "dbprobe-maria"),
                         testing::DsnTestName());

TEST_F(ProgramTest, AMissingDataSourcePromptsAndStoppingHaltsWithFive) {
    screen_->Answer(2);  // "&Ukončit" at the first prompt
    RunWith("NOPE");
    ASSERT_EQ(screen_->Boxes().size(), 1u);
    const platform::MessageBox& prompt = screen_->Boxes()[0];
    EXPECT_EQ(prompt.caption, "Chyba");
    EXPECT_EQ(prompt.icon, "warning2.ico");
    EXPECT_EQ(prompt.named, "&Pokračovat|&Ukončit"_w1250.str());
    EXPECT_EQ(prompt.text,
              "Při zápisu do databáze NOPE došlo k chybě !|Číslo chyby: 0x90 --> "_w1250.str() +
                  "Data source name not found and no default driver specified" +
                  "|Zdrojový soubor:Test_Korvelandix||Chcete v testu pokračovat nebo ho ukončit?"_w1250.str());
    ASSERT_EQ(screen_->Halts().size(), 1u);
    EXPECT_EQ(screen_->Halts()[0].exitCode, 5);
    EXPECT_EQ(screen_->Halts()[0].text, "Test přerušen z důvodu chyby !"_w1250.str());
}

TEST_F(ProgramTest, GoingOnThroughEveryPromptEndsWithTheWarningVerdict) {
    RunWith("NOPE");  // every box answers with its first button: "&Pokračovat", OK
    ASSERT_FALSE(screen_->Boxes().empty());
    const platform::MessageBox& verdict = screen_->Boxes().back();
    EXPECT_EQ(verdict.icon, platform::icon::Exclamation);
    EXPECT_EQ(verdict.text.rfind("Test byl dokončen !||"_w1250.str(), 0), 0u);
    // CREATE, OPEN, each insert (its own notify, then the prompt), REMOVE.
    int readErrors = 0, prompts = 0;
    for (const platform::MessageBox& box : screen_->Boxes()) {
        if (box.caption == "Chyba při čtení souboru"_w1250.str()) ++readErrors;
        if (box.caption == "Chyba") ++prompts;
    }
    EXPECT_EQ(readErrors, 1000);
    EXPECT_EQ(prompts, 1000 + 3);
    EXPECT_TRUE(screen_->Halts().empty());
}

TEST_F(ProgramTest, AnEmptyDataSourceNameIsNotRejected) {
    screen_->Answer(2);
    RunWith("");
    ASSERT_FALSE(screen_->Boxes().empty());
    EXPECT_EQ(screen_->Boxes()[0].text.rfind("Při zápisu do databáze  došlo k chybě !|"_w1250.str(), 0), 0u)
        << platform::ToUtf8(screen_->Boxes()[0].text);
}

TEST_F(ProgramTest, ClosingWithoutATestStillEndsNormally) {
    Globals().dataSource.Assign("NOPE");
    screen_->ScriptNextWindow({{platform::event::Accepted, 14}});
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_TRUE(screen_->Boxes().empty());
    EXPECT_EQ(Profile(), "[__Dont_Touch_Me__]\nSectors=0\n");
}

}  // namespace
}  // namespace dbprobe::app
