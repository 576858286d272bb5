#include "framework/platform/scripted/scripted_window_services.h"

namespace dbprobe::platform {

void ScriptedWindowServices::Redisplay(WindowId window) {
    Window* w = Find(window);
    if (w == nullptr) return;
    Snapshot s;
    s.window = window;
    for (const Control& c : w->description.controls) {
        if (c.variable.data != nullptr) s.texts[c.number] = BoundText(c);
        if (c.value != nullptr) s.values[c.number] = *c.value;
    }
    redisplays_.push_back(std::move(s));
}

int ScriptedWindowServices::Show(const MessageBox& box) {
    boxes_.push_back(box);
    if (onBox_) onBox_(box);
    if (answers_.empty()) return FirstButton(box);
    const int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void ScriptedWindowServices::Halt(int exitCode, std::string_view text) {
    halts_.push_back({exitCode, std::string(text)});
}

}  // namespace dbprobe::platform
