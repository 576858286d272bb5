#pragma once
// Window services for tests: windows are kept as their descriptions, events
// come from a script, message boxes are answered from a queue, and every
// redisplay, box and halt is recorded for the test to look at.

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "framework/platform/queued_windows.h"

namespace dbprobe::platform {

class ScriptedWindowServices : public QueuedWindows {
public:
    // What a redisplay showed: each bound text and each progress value.
    struct Snapshot {
        WindowId window = 0;
        std::map<int, std::string> texts;  // control -> text, windows-1250
        std::map<int, std::int32_t> values;
    };
    struct Halted {
        int exitCode = 0;
        std::string text;
    };

    void Redisplay(WindowId window) override;
    int Show(const MessageBox& box) override;
    void Halt(int exitCode, std::string_view text) override;

    // Answers for the next boxes, in order. Without one a box answers with
    // its first button.
    void Answer(int result) { answers_.push_back(result); }
    // Called at every box, before it is answered (a test may post events).
    void OnBox(std::function<void(const MessageBox&)> hook) { onBox_ = std::move(hook); }

    const std::vector<Snapshot>& Redisplays() const { return redisplays_; }
    const std::vector<MessageBox>& Boxes() const { return boxes_; }
    const std::vector<Halted>& Halts() const { return halts_; }

private:
    std::deque<int> answers_;
    std::function<void(const MessageBox&)> onBox_;
    std::vector<Snapshot> redisplays_;
    std::vector<MessageBox> boxes_;
    std::vector<Halted> halts_;
};

}  // namespace dbprobe::platform
