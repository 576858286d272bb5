// The window manager's lifecycle on the scripted window services, and the
// translator it uses.

#include <gtest/gtest.h>

#include "framework/platform/scripted/scripted_window_services.h"
#include "framework/thread_values.h"
#include "framework/translator.h"
#include "framework/window_manager.h"

namespace dbprobe::framework {
namespace {

// A window like the main window: a Start button handled by the procedure,
// a close button with the standard close action.
class SampleWindow : public WindowManager {
public:
    explicit SampleWindow(Translator& shared) {
        platform::Control start;
        start.number = 1;
        start.kind = platform::ControlKind::Button;
        start.text = "Start";
        platform::Control close = start;
        close.number = 2;
        close.text = "Close";
        close.closesWindow = true;
        layout.caption = "Sample";
        layout.controls = {start, close};
        translator = &shared;
    }

    int Initialise() override {
        const int level = WindowManager::Initialise();
        firstField = 1;
        toolbar = &bar;
        bar.Init();
        description = &layout;
        Open(Services().Open(layout));
        RegisterAlertKeys();
        return level;
    }
    int OnAccepted(const platform::Event& event) override {
        const int level = WindowManager::OnAccepted(event);
        if (level == 0 && event.control == 1) ++started;
        return level;
    }
    int OnCloseRequest() override {
        ++closeRequests;
        return WindowManager::OnCloseRequest();
    }

    platform::WindowDescription layout;
    Toolbar bar;
    int started = 0;
    int closeRequests = 0;
};

class WindowManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto services = std::make_unique<platform::ScriptedWindowServices>();
        screen_ = services.get();
        platform::InstallServices(std::move(services));
        ResetThreadValues();
        translator_.Init();
    }
    void TearDown() override { platform::RemoveServices(); }

    platform::ScriptedWindowServices* screen_ = nullptr;
    Translator translator_;
};

TEST_F(WindowManagerTest, EveryWayToCloseEndsTheLoopThroughTheCloseRequest) {
    struct Case {
        const char* what;
        std::vector<platform::Event> script;
        int started;
    };
    const Case cases[] = {
        {"the close button's close action", {{platform::event::Accepted, 2}, {platform::event::Accepted, 1}}, 0},
        {"a posted close event after a handled button",
         {{platform::event::Accepted, 1}, {platform::event::CloseWindow, 0}, {platform::event::Accepted, 1}}, 1},
        {"nothing more to do", {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SampleWindow window(translator_);
        screen_->ScriptNextWindow(c.script);  // the window opens inside Run
        EXPECT_EQ(window.Run(), 2);  // nothing sets a response: cancelled
        EXPECT_EQ(window.closeRequests, 1);
        EXPECT_EQ(window.started, c.started);
        EXPECT_TRUE(window.dead);
    }
}

TEST_F(WindowManagerTest, AResponseButtonAnswersAndClosesTheWindow) {
    SampleWindow window(translator_);
    screen_->ScriptNextWindow({{platform::event::Accepted, 1}});
    window.Initialise();
    window.buttons->push_back({1, 1, 0});
    window.EventLoop();
    window.Terminate();
    EXPECT_EQ(window.response, 1);
    EXPECT_EQ(window.started, 0);  // consumed by the response button
}

TEST_F(WindowManagerTest, TheWindowIsTranslatedOnceAndTheFirstFieldSelected) {
    translator_.AddTranslation("Start", "Begin");
    SampleWindow window(translator_);
    screen_->ScriptNextWindow({{platform::event::OpenWindow, 0}});  // a second open event
    window.Run();
    EXPECT_EQ(translator_.windowsTranslated, 1);
    EXPECT_EQ(screen_->Windows()[0].description.controls[0].text, "Begin");
    EXPECT_EQ(screen_->Windows()[0].description.controls[1].text, "Close");  // empty translation
    EXPECT_EQ(screen_->Windows()[0].focus, 1);
}

TEST_F(WindowManagerTest, TerminateTwiceChangesNothing) {
    SampleWindow never(translator_);
    EXPECT_EQ(never.Terminate(), handled::Consumed);  // never initialised
    EXPECT_FALSE(never.dead);

    SampleWindow window(translator_);
    window.Run();
    EXPECT_TRUE(window.dead);
    EXPECT_EQ(window.Terminate(), handled::Consumed);
    EXPECT_TRUE(window.dead);
}

TEST(TranslatorTest, PhrasesAndReferences) {
    Translator t;
    t.Init();
    EXPECT_EQ(t.queue.size(), 70u);
    EXPECT_EQ(t.TranslateString("&Across"), "&Across");  // built in, empty translation
    t.AddTranslation("Product", "dbprobe");
    t.AddTranslation("Title", "%Product% test");
    EXPECT_EQ(t.TranslateString("About %Title%!"), "About dbprobe test!");
    EXPECT_EQ(t.TranslateString("100% sure"), "100% sure");
    EXPECT_EQ(t.TranslateString("%Unknown%"), "Unknown");
    // A reference to itself stops at the depth limit instead of looping.
    t.AddTranslation("Loop", "<%Loop%>");
    const std::string looped = t.TranslateString("%Loop%");
    EXPECT_EQ(looped.substr(0, 3), "<<<");
    EXPECT_LE(looped.size(), Translator::kMaxText);
}

}  // namespace
}  // namespace dbprobe::framework
