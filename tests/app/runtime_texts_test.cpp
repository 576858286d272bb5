// The Czech runtime texts: what a record operation's error text reads once
// they are installed, and the message box button captions.

#include <gtest/gtest.h>

#include "app/runtime_texts.h"
#include "framework/platform/core/encoding.h"
#include "framework/platform/core/runtime_settings.h"
#include "framework/platform/window_services.h"
#include "odbc/session/runtime_error_state.h"

namespace dbprobe::app {
namespace {

using namespace platform::literals;

class RuntimeTextsTest : public ::testing::Test {
protected:
    void SetUp() override { platform::ResetSettings(); }
    void TearDown() override { platform::ResetSettings(); }
};

TEST_F(RuntimeTextsTest, ErrorTextsAreCzechWhereTheTableHasThem) {
    EXPECT_EQ(odbc::ErrorText(90), "File System Error");
    InstallRuntimeTexts();
    struct Case {
        int code;
        std::string text;
    };
    const Case cases[] = {
        {90, "Chyba souborového systému"_w1250.str()},
        {33, "Záznam není přístupný"_w1250.str()},
        {55, "Sobour musí být sdílen"_w1250.str()},  // as the table spells it
        {43, "Record Is Already Held"},               // the table keeps some English
        {1, "Error 1"},                               // not in the table: built in
        {31, "Error 31"},
        {80, "Funkce není podporována"_w1250.str()},
    };
    for (const Case& c : cases) EXPECT_EQ(odbc::ErrorText(c.code), c.text) << c.code;

    // The error state of a failed operation carries the installed text.
    odbc::PostErrorCode(90);
    EXPECT_EQ(odbc::CurrentErrors().errorText, "Chyba souborového systému"_w1250.str());
    odbc::ClearErrors();
}

TEST_F(RuntimeTextsTest, StandardButtonsGetCzechCaptions) {
    using platform::StandardButtons;
    EXPECT_EQ(StandardButtons(platform::button::Yes | platform::button::No)[0].caption, "&Yes");
    InstallRuntimeTexts();
    const auto yesNo = StandardButtons(platform::button::Yes | platform::button::No);
    ASSERT_EQ(yesNo.size(), 2u);
    EXPECT_EQ(yesNo[0].caption, "&Ano");
    EXPECT_EQ(yesNo[0].value, 2);
    EXPECT_EQ(yesNo[1].caption, "&Ne");
    EXPECT_EQ(yesNo[1].value, 4);
    EXPECT_EQ(StandardButtons(platform::button::Ok)[0].caption, "OK");
    EXPECT_EQ(StandardButtons(platform::button::Abort)[0].caption, "&Přeruš"_w1250.str());
}

TEST_F(RuntimeTextsTest, MonthsAndDayMarksReplaceTheSystemOnes) {
    InstallRuntimeTexts();
    const std::vector<std::string> months = platform::SettingItems(platform::setting::Months);
    ASSERT_EQ(months.size(), 12u);
    EXPECT_EQ(months[0], "Leden");
    EXPECT_EQ(months[11], "Prosinec");
    EXPECT_EQ(months[5], "Červen"_w1250.str());
    EXPECT_EQ(platform::SettingItems(platform::setting::DayMarks), (std::vector<std::string>{"Dop.", "Odp."}));
    EXPECT_EQ(platform::ReadSetting(platform::setting::Charset).value_or(""), "EASTEUROPE");
}

}  // namespace
}  // namespace dbprobe::app
