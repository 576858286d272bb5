#pragma once
// What the scripted and the console window services share: windows kept as
// their descriptions and control state, and events taken from a queue
// instead of a screen. When the queue runs dry the window is asked to
// close, so a loop never waits for input that cannot come.

#include <deque>
#include <map>
#include <set>
#include <vector>

#include "framework/platform/window_services.h"

namespace dbprobe::platform {

class QueuedWindows : public WindowServices {
public:
    WindowId Open(const WindowDescription& description) override;
    void Close(WindowId window) override;
    std::optional<Event> NextEvent(WindowId window) override;
    void Finish(WindowId window, const Event& event, bool defaultProcessing) override;
    void Post(WindowId window, Event event) override;
    void SetAlertKeys(WindowId window, int control, std::vector<int> keys) override;
    void SetText(WindowId window, int control, std::string_view text) override;
    void Disable(WindowId window, int control) override;
    void Select(WindowId window, int control, int row = 0) override;
    int Choice(WindowId window, int control) override;
    void SetProperty(WindowId window, int control, int property, std::int64_t value) override;
    void SetDefaultIcon(std::string_view icon) override;
    void SetCursor(Cursor cursor) override;

    struct Window {
        WindowDescription description;
        bool open = true;
        bool opened = false;  // the open-window event went out
        std::deque<Event> events;
        std::map<int, std::vector<int>> alertKeys;
        std::set<int> disabled;
        std::map<int, int> choices;  // list control -> 1-based row
        std::map<int, std::int64_t> progressMaximum;
        int focus = 0;
    };
    // Events the next window opened delivers after its open-window event
    // (a test's clicks, the headless runner's "Start").
    void ScriptNextWindow(std::vector<Event> events) { script_ = std::move(events); }

    // The window, or nullptr for an unknown id.
    Window* Find(WindowId window);
    const std::vector<Window>& Windows() const { return windows_; }
    const std::string& DefaultIcon() const { return defaultIcon_; }
    Cursor CurrentCursor() const { return cursor_; }

    // A bound control's current text (trailing blanks removed), windows-1250.
    static std::string BoundText(const Control& control);

private:
    std::vector<Window> windows_;
    std::vector<Event> script_;
    std::string defaultIcon_;
    Cursor cursor_ = Cursor::Arrow;
};

}  // namespace dbprobe::platform
