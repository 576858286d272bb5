// The error manager: the catalogue, the placeholders, and what the user sees
// at each level, through the scripted window services.

#include <gtest/gtest.h>

#include <cstdio>

#include "app/runtime_texts.h"
#include "framework/error_catalogue.h"
#include "framework/error_manager.h"
#include "framework/platform/console/console_window_services.h"
#include "framework/platform/core/encoding.h"
#include "framework/platform/core/runtime_settings.h"
#include "framework/platform/scripted/scripted_window_services.h"
#include "odbc/session/runtime_error_state.h"

namespace dbprobe::framework {
namespace {

using namespace platform::literals;

class ErrorManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ResetSettings();
        app::InstallRuntimeTexts();
        auto services = std::make_unique<platform::ScriptedWindowServices>();
        screen_ = services.get();
        platform::InstallServices(std::move(services));
        ResetThreadErrorStatus();
        odbc::ClearErrors();
        errors_.Start();
    }
    void TearDown() override {
        platform::RemoveServices();
        platform::ResetSettings();
        odbc::ClearErrors();
    }
    // The record operation's outcome, as the runtime leaves it.
    static void Fail(int code, std::string_view fileCode, std::string_view fileText) {
        odbc::PostErrorCode(code);
        odbc::SetFileError(fileCode, fileText);
    }

    ErrorManager errors_;
    platform::ScriptedWindowServices* screen_ = nullptr;
};

TEST_F(ErrorManagerTest, TheCatalogueLoadsInBlockOrder) {
    EXPECT_EQ(errors_.Entries().size(), 40u);
    EXPECT_EQ(errors_.Entries().front().id, 1);
    EXPECT_EQ(errors_.Entries().back().id, 44);
    errors_.SelectEntry(12);
    EXPECT_EQ(ThreadErrorStatus().errorBuffer.fatality, level::Fatal);
    EXPECT_EQ(ThreadErrorStatus().errorBuffer.title, "Chyba databáze"_w1250.str());
    EXPECT_EQ(ThreadErrorStatus().errorBuffer.category, "");
    EXPECT_EQ(errors_.CurrentCategory(12), "FWK");

    // A cut block loads what is complete.
    const std::string block = PackCatalogue({{7, level::Notify, "A", "first"}, {8, level::User, "B", "second"}});
    ErrorManager partial;
    partial.AddEntries(std::string_view(block).substr(0, block.size() - 3));
    ASSERT_EQ(partial.Entries().size(), 1u);
    EXPECT_EQ(partial.Entries()[0].message, "first");
}

TEST_F(ErrorManagerTest, PlaceholdersAreFilledFromTheSavedState) {
    struct Case {
        const char* what;
        int code;
        const char* fileCode;
        const char* fileText;
        std::int32_t id;
        std::string expected;
    };
    const Case cases[] = {
        {"a file system error shows the server's text and SQLSTATE", 90, "42S02",
         "Table 'Test_Korvelandix' doesn't exist", 35,
         "Attempts to automatically number this record have failed.  Error: Table "
         "'Test_Korvelandix' doesn't exist (42S02). Try Again?"},
        {"another error shows its text and number", 40, "", "", 35,
         "Attempts to automatically number this record have failed.  Error: Vytvářím duplicitní "
         "klíč (40). Try Again?"_w1250.str()},
        {"no placeholder: unchanged", 90, "S1000", "x", 5, "Záznam nebyl nalezen. Chcete přidat nový ?"_w1250.str()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fail(c.code, c.fileCode, c.fileText);
        errors_.SaveErrorState();
        errors_.SelectEntry(c.id);
        EXPECT_EQ(errors_.FillPlaceholders(), c.expected);
    }
}

TEST_F(ErrorManagerTest, PlaceholderEdgeCases) {
    ErrorStatus& s = ThreadErrorStatus();
    s.fileName = "T_%file";  // holds its own placeholder in another case
    s.saveFileErrorCode = "42S02";
    s.saveFileError = "gone";
    s.messageText = "%Key";  // filled in after %Key's turn: stays as it is
    s.keyName = "%KEY";      // equal to its placeholder: left alone
    errors_.AddEntry(100, level::Notify, "T", "%FileErrorCode/%FileError/%FILE %file/%key/%message", "");
    errors_.AddEntry(101, level::Notify, "T", "before: %Previous.", "");
    errors_.SetProcedure("Main");
    errors_.AddEntry(102, level::Notify, "T", "in %Procedure, category %Category", "");

    errors_.SelectEntry(100);
    EXPECT_EQ(errors_.FillPlaceholders(), "42S02/gone/T_%file T_%file/%key/%Key");

    errors_.SelectEntry(26);  // no entry: the previous id has none either
    errors_.SelectEntry(101);
    EXPECT_EQ(errors_.FillPlaceholders(), "before: .");
    errors_.SelectEntry(5);
    errors_.SelectEntry(101);
    EXPECT_EQ(errors_.FillPlaceholders(), "before: Záznam nebyl nalezen. Chcete přidat nový ?."_w1250.str());

    errors_.SelectEntry(102);
    EXPECT_EQ(errors_.FillPlaceholders(), "in Main, category ");
    errors_.SetProcedure("", true);
    EXPECT_EQ(errors_.CurrentProcedure(), "");
}

TEST_F(ErrorManagerTest, EachLevelShowsItsBox) {
    // No entry: nothing shown, success.
    EXPECT_EQ(errors_.Report(26), 0);
    EXPECT_TRUE(screen_->Boxes().empty());

    // Notify: exclamation and OK; the caller gets 5.
    errors_.SetFileText("Test_Korvelandix");
    EXPECT_EQ(errors_.Report(1), level::Notify);
    ASSERT_EQ(screen_->Boxes().size(), 1u);
    const platform::MessageBox& notify = screen_->Boxes()[0];
    EXPECT_EQ(notify.caption, "Chyba při čtení souboru"_w1250.str());
    EXPECT_EQ(notify.text, "Vznikla chyba při čtení záznamu z databáze: Test_Korvelandix.|Otevřené okno bude zavřeno."_w1250.str());
    EXPECT_EQ(notify.icon, platform::icon::Exclamation);
    EXPECT_EQ(notify.buttons, platform::button::Ok);

    // User: the question with Yes and No, Yes the default; Yes is 0, else 4.
    screen_->Answer(platform::button::Yes);
    screen_->Answer(platform::button::No);
    EXPECT_EQ(errors_.Report(35), level::Benign);
    EXPECT_EQ(errors_.Report(35), level::Cancel);
    const platform::MessageBox& question = screen_->Boxes()[1];
    EXPECT_EQ(question.caption, "Auto Increment Error");
    EXPECT_EQ(question.icon, platform::icon::Question);
    EXPECT_EQ(question.buttons, platform::button::Yes | platform::button::No);
    EXPECT_EQ(question.defaultButton, platform::button::Yes);
    const auto captions = platform::StandardButtons(question.buttons);
    EXPECT_EQ(captions[0].caption, "&Ano");
    EXPECT_EQ(captions[1].caption, "&Ne");

    // Fatal: the message with its ending, then the halt with the title.
    errors_.SetFileText("Test_Korvelandix");
    errors_.Report(12);
    EXPECT_EQ(screen_->Boxes().back().text,
              "Chyba při vytváření databáze Test_Korvelandix.  Stiskněte OK pro ukončení programu"_w1250.str());
    ASSERT_EQ(screen_->Halts().size(), 1u);
    EXPECT_EQ(screen_->Halts()[0].exitCode, 0);
    EXPECT_EQ(screen_->Halts()[0].text, "Chyba databáze"_w1250.str());
}

TEST_F(ErrorManagerTest, AFatalErrorEndsTheProcessWithExitCodeZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto run = [] {
        std::FILE* out = std::tmpfile();
        platform::InstallServices(std::make_unique<platform::ConsoleWindowServices>(out, nullptr));
        ErrorManager errors;
        errors.Start();
        errors.SetFileText("Test_Korvelandix");
        errors.Report(12);
        std::_Exit(7);  // not reached when the halt ends the process
    };
    EXPECT_EXIT(run(), ::testing::ExitedWithCode(0), "");
}

TEST_F(ErrorManagerTest, AskQuestionShowsTheEntryWithTheGivenButtons) {
    screen_->Answer(platform::button::No);
    EXPECT_EQ(errors_.AskQuestion(38, platform::button::Yes | platform::button::No | platform::button::Cancel,
                                  platform::button::Yes),
              platform::button::No);
    EXPECT_EQ(screen_->Boxes().back().icon, platform::icon::Question);
    errors_.silent = true;
    EXPECT_EQ(errors_.AskQuestion(38, platform::button::Yes | platform::button::No, platform::button::No),
              platform::button::No);
    EXPECT_EQ(screen_->Boxes().size(), 1u);
}

}  // namespace
}  // namespace dbprobe::framework
