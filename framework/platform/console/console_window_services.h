#pragma once
// Window services for a terminal: no window is drawn; each status text a
// redisplay changes is printed as a line, every message box is printed whole
// (caption, lines, buttons) with the answer taken, and events come from a
// queue the caller posts to. Everything printed is UTF-8.

#include <cstdio>
#include <functional>
#include <map>
#include <string>

#include "framework/platform/queued_windows.h"

namespace dbprobe::platform {

class ConsoleWindowServices : public QueuedWindows {
public:
    // Decides a box's answer; without one the terminal is asked when there
    // is one, else the first button is taken.
    using Answerer = std::function<int(const MessageBox&)>;

    explicit ConsoleWindowServices(std::FILE* out = stdout, std::FILE* in = stdin);

    void SetAnswerer(Answerer answerer) { answerer_ = std::move(answerer); }

    void Redisplay(WindowId window) override;
    int Show(const MessageBox& box) override;
    void Halt(int exitCode, std::string_view text) override;

private:
    int AskTerminal(const MessageBox& box);

    std::FILE* out_;
    std::FILE* in_;
    Answerer answerer_;
    std::map<std::pair<WindowId, int>, std::string> shown_;  // last text printed per control
};

// The box as lines of text: the caption, its lines, then its buttons with
// their answers ("[1] Pokračovat  [2] Ukončit"), in UTF-8. Access-key marks
// are dropped.
std::string BoxText(const MessageBox& box);

}  // namespace dbprobe::platform
