// The window services without a screen: the scripted implementation the
// framework's tests use, and the console one of the headless runner.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "framework/platform/console/console_window_services.h"
#include "framework/platform/core/encoding.h"
#include "framework/platform/core/runtime_settings.h"
#include "framework/platform/scripted/scripted_window_services.h"

namespace dbprobe::platform {
namespace {

using namespace literals;

// A window with a bound status text, a progress bar and two buttons, the
// second one closing the window.
struct SampleWindow {
    SampleWindow() {
        std::fill(std::begin(status), std::end(status), ' ');
        description.caption = "Test kompatibilty SQL"_w1250.str();
        Control text;
        text.number = 1;
        text.kind = ControlKind::Text;
        text.variable = {status, sizeof status};
        Control progress;
        progress.number = 2;
        progress.kind = ControlKind::Progress;
        progress.value = &step;
        Control start;
        start.number = 3;
        start.kind = ControlKind::Button;
        start.text = "Start";
        Control close = start;
        close.number = 4;
        close.text = "Zavřít"_w1250.str();
        close.closesWindow = true;
        description.controls = {text, progress, start, close};
    }
    void SetStatus(std::string_view text) {
        std::fill(std::begin(status), std::end(status), ' ');
        std::copy(text.begin(), text.end(), status);
    }
    char status[80];
    std::int32_t step = 0;
    WindowDescription description;
};

std::vector<int> EventNumbers(WindowServices& services, WindowId window) {
    std::vector<int> numbers;
    while (std::optional<Event> e = services.NextEvent(window)) {
        numbers.push_back(e->number * 100 + e->control);
        services.Finish(window, *e, true);
    }
    return numbers;
}

TEST(ScriptedWindowServicesTest, EventsComeOpenFirstThenTheScriptThenClose) {
    struct Case {
        const char* what;
        std::vector<Event> script;
        std::vector<int> expected;  // number * 100 + control
    };
    const Case cases[] = {
        {"nothing scripted: open, then asked to close", {}, {51500, 51300}},
        {"a button, then the script runs dry", {{event::Accepted, 3}}, {51500, 103, 51300}},
        {"a closing button closes the window", {{event::Accepted, 4}, {event::Accepted, 3}}, {51500, 104, 51300}},
        {"close down", {{event::CloseDown, 0}, {event::Accepted, 3}}, {51500, 51400}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedWindowServices services;
        SampleWindow sample;
        const WindowId window = services.Open(sample.description);
        for (const Event& e : c.script) services.Post(window, e);
        EXPECT_EQ(EventNumbers(services, window), c.expected);
    }
}

TEST(ScriptedWindowServicesTest, CloseIsRefusedWithoutDefaultProcessing) {
    ScriptedWindowServices services;
    SampleWindow sample;
    const WindowId window = services.Open(sample.description);
    services.NextEvent(window);  // open
    const Event close = *services.NextEvent(window);
    EXPECT_EQ(close.number, event::CloseWindow);
    services.Finish(window, close, false);
    services.Post(window, {event::Accepted, 3});
    EXPECT_EQ(services.NextEvent(window)->control, 3);
}

TEST(ScriptedWindowServicesTest, RecordsRedisplaysAndAnswersBoxesInOrder) {
    ScriptedWindowServices services;
    SampleWindow sample;
    const WindowId window = services.Open(sample.description);
    sample.SetStatus("Otevírám tabulku pro zápis"_w1250);
    sample.step = 1;
    services.Redisplay(window);
    ASSERT_EQ(services.Redisplays().size(), 1u);
    EXPECT_EQ(services.Redisplays()[0].texts.at(1), "Otevírám tabulku pro zápis"_w1250.str());
    EXPECT_EQ(services.Redisplays()[0].values.at(2), 1);

    MessageBox prompt;
    prompt.named = "&Pokračovat|&Ukončit"_w1250.str();
    MessageBox question;
    question.buttons = button::Yes | button::No;
    services.Answer(2);
    EXPECT_EQ(services.Show(prompt), 2);
    EXPECT_EQ(services.Show(question), button::Yes);  // no answer left: the first button
    EXPECT_EQ(services.Show(prompt), 1);
    EXPECT_EQ(services.Boxes().size(), 3u);

    services.Halt(5, "Test přerušen z důvodu chyby !"_w1250);
    ASSERT_EQ(services.Halts().size(), 1u);
    EXPECT_EQ(services.Halts()[0].exitCode, 5);
}

// Captures what the console services print.
class ConsoleCapture {
public:
    ConsoleCapture() : file_(std::tmpfile()) {}
    ~ConsoleCapture() { std::fclose(file_); }
    std::FILE* File() { return file_; }
    std::string Text() {
        std::fflush(file_);
        std::rewind(file_);
        std::string text;
        char buffer[512];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, file_)) > 0) text.append(buffer, n);
        return text;
    }

private:
    std::FILE* file_;
};

TEST(ConsoleWindowServicesTest, PrintsABoxWholeWithTheAnswerTaken) {
    ResetSettings();
    ConsoleCapture out;
    ConsoleWindowServices services(out.File(), nullptr);
    services.SetAnswerer([](const MessageBox&) { return 2; });
    MessageBox box;
    box.caption = "Chyba";
    box.text = "Při zápisu do databáze TESTDB došlo k chybě !|Číslo chyby: 0x90 --> Login failed||Konec"_w1250.str();
    box.named = "&Pokračovat|&Ukončit"_w1250.str();
    EXPECT_EQ(services.Show(box), 2);
    EXPECT_EQ(out.Text(),
              "== Chyba ==\n"
              "   Při zápisu do databáze TESTDB došlo k chybě !\n"
              "   Číslo chyby: 0x90 --> Login failed\n"
              "   \n"
              "   Konec\n"
              "   [1] Pokračovat  [2] Ukončit\n"
              "   -> 2\n");
}

TEST(ConsoleWindowServicesTest, WithoutATerminalTheFirstButtonAnswers) {
    ResetSettings();
    ConsoleCapture out;
    ConsoleWindowServices services(out.File(), nullptr);
    MessageBox box;
    box.caption = "Hotovo";
    box.text = "Test byl dokončen !"_w1250.str();
    box.buttons = button::Yes | button::No;
    EXPECT_EQ(services.Show(box), button::Yes);
    EXPECT_NE(out.Text().find("[2] Yes  [4] No\n   -> 2\n"), std::string::npos) << out.Text();
}

TEST(ConsoleWindowServicesTest, PrintsEachStatusChangeOnce) {
    ConsoleCapture out;
    ConsoleWindowServices services(out.File(), nullptr);
    SampleWindow sample;
    const WindowId window = services.Open(sample.description);
    services.Redisplay(window);  // blank: nothing to say
    sample.SetStatus("Vytvářím tabulku Test_Korvelandix"_w1250);
    services.Redisplay(window);
    services.Redisplay(window);
    sample.SetStatus("Otevírám tabulku pro zápis"_w1250);
    services.Redisplay(window);
    EXPECT_EQ(out.Text(), "Vytvářím tabulku Test_Korvelandix\nOtevírám tabulku pro zápis\n");
}

TEST(ConsoleWindowServicesTest, ALoopShowsItsFirstAndLastStatusIntoAPipeAndOneLineOnATerminal) {
    struct Case {
        ConsoleWindowServices::Style style;
        std::string expected;
    };
    const Case cases[] = {
        {ConsoleWindowServices::Style::Pipe,
         "Start\nRow (1/3)\nRow (3/3)\nDone\n"},
        {ConsoleWindowServices::Style::Terminal,
         "Start\n\rRow (1/3) [##########....................]\x1b[K"
         "\rRow (2/3) [####################..........]\x1b[K"
         "\rRow (3/3) [##############################]\x1b[K\nDone\n"},
    };
    for (const Case& c : cases) {
        ConsoleCapture out;
        ConsoleWindowServices services(out.File(), nullptr, c.style);
        SampleWindow sample;
        const WindowId window = services.Open(sample.description);
        for (const char* status : {"Start", "Row (1/3)", "Row (2/3)", "Row (3/3)", "Done"}) {
            sample.SetStatus(status);
            services.Redisplay(window);
        }
        EXPECT_EQ(out.Text(), c.expected);
    }
}

TEST(WindowServicesTest, ButtonsAndLinesOfABox) {
    EXPECT_EQ(NamedButtons("&Pokračovat|&Ukončit"), (std::vector<std::string>{"&Pokračovat", "&Ukončit"}));
    EXPECT_TRUE(NamedButtons("").empty());
    EXPECT_EQ(MessageLines("a||b|"), (std::vector<std::string>{"a", "", "b", ""}));
    ResetSettings();
    const auto all = StandardButtons(255);
    ASSERT_EQ(all.size(), 8u);
    EXPECT_EQ(all[6].value, button::Cancel);
    EXPECT_EQ(StandardButtons(0).front().value, button::Ok);  // never a box without a button
}

}  // namespace
}  // namespace dbprobe::platform
