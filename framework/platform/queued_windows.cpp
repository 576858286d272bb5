#include "framework/platform/queued_windows.h"

namespace dbprobe::platform {

QueuedWindows::Window* QueuedWindows::Find(WindowId window) {
    if (window < 1 || window > static_cast<WindowId>(windows_.size())) return nullptr;
    return &windows_[static_cast<std::size_t>(window - 1)];
}

WindowId QueuedWindows::Open(const WindowDescription& description) {
    Window w;
    w.description = description;
    for (const Event& e : script_) w.events.push_back(e);
    script_.clear();
    windows_.push_back(std::move(w));
    return static_cast<WindowId>(windows_.size());
}

void QueuedWindows::Close(WindowId window) {
    if (Window* w = Find(window)) {
        w->open = false;
        w->events.clear();
    }
}

std::optional<Event> QueuedWindows::NextEvent(WindowId window) {
    Window* w = Find(window);
    if (w == nullptr || !w->open) return std::nullopt;
    if (!w->opened) {
        w->opened = true;
        return Event{event::OpenWindow, 0, 0};
    }
    if (w->events.empty()) return Event{event::CloseWindow, 0, 0};
    Event e = w->events.front();
    w->events.pop_front();
    return e;
}

void QueuedWindows::Finish(WindowId window, const Event& e, bool defaultProcessing) {
    Window* w = Find(window);
    if (w == nullptr || !defaultProcessing) return;
    if (e.number == event::CloseWindow || e.number == event::CloseDown) {
        w->open = false;
        w->events.clear();
        return;
    }
    if (e.number == event::Accepted)
        for (const Control& c : w->description.controls)
            if (c.number == e.control && c.closesWindow) w->events.push_front({event::CloseWindow, 0, 0});
}

void QueuedWindows::Post(WindowId window, Event e) {
    if (Window* w = Find(window)) w->events.push_back(e);
}

void QueuedWindows::SetAlertKeys(WindowId window, int control, std::vector<int> keys) {
    if (Window* w = Find(window)) w->alertKeys[control] = std::move(keys);
}

void QueuedWindows::SetText(WindowId window, int control, std::string_view text) {
    Window* w = Find(window);
    if (w == nullptr) return;
    if (control == 0) w->description.caption = std::string(text);
    for (Control& c : w->description.controls)
        if (c.number == control) c.text = std::string(text);
}

void QueuedWindows::Disable(WindowId window, int control) {
    if (Window* w = Find(window)) w->disabled.insert(control);
}

void QueuedWindows::Select(WindowId window, int control, int row) {
    Window* w = Find(window);
    if (w == nullptr) return;
    w->focus = control;
    if (row > 0) w->choices[control] = row;
}

int QueuedWindows::Choice(WindowId window, int control) {
    Window* w = Find(window);
    if (w == nullptr) return 0;
    auto it = w->choices.find(control);
    return it == w->choices.end() ? 0 : it->second;
}

void QueuedWindows::SetProperty(WindowId window, int control, int property, std::int64_t value) {
    Window* w = Find(window);
    if (w != nullptr && property == property::ProgressMaximum) w->progressMaximum[control] = value;
}

void QueuedWindows::SetDefaultIcon(std::string_view icon) { defaultIcon_ = std::string(icon); }

void QueuedWindows::SetCursor(Cursor cursor) { cursor_ = cursor; }

std::string QueuedWindows::BoundText(const Control& control) {
    if (control.variable.data == nullptr) return control.text;
    std::string text(control.variable.data, control.variable.size);
    const std::size_t end = text.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

}  // namespace dbprobe::platform
