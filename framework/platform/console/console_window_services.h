#pragma once
// Window services for a terminal: no window is drawn; status texts are
// printed as they change, every message box is printed whole (caption,
// lines, buttons) with the answer taken, and events come from a queue the
// caller posts to. Everything printed is UTF-8.
//
// A status ending in "(n/N)" belongs to a loop. On a terminal a loop updates
// one line in place with a progress bar; into a pipe only its first and last
// status are printed (the last when something else comes along).

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
    // Called at a halt, before the process ends; returns the exit code to
    // end with (the caller may map codes and write its records first).
    using HaltHandler = std::function<int(int exitCode, std::string_view text)>;
    enum class Style { Auto, Terminal, Pipe };

    explicit ConsoleWindowServices(std::FILE* out = stdout, std::FILE* in = stdin, Style style = Style::Auto);

    void SetAnswerer(Answerer answerer) { answerer_ = std::move(answerer); }
    void SetHaltHandler(HaltHandler handler) { haltHandler_ = std::move(handler); }
    // Applied to every text before it is printed (a caller hides secrets).
    void SetRedactor(std::function<std::string(std::string)> redact) { redact_ = std::move(redact); }
    // Ends a loop's pending or in-place line (before other output).
    void Settle();

    void Redisplay(WindowId window) override;
    int Show(const MessageBox& box) override;
    void Halt(int exitCode, std::string_view text) override;

private:
    int AskTerminal(const MessageBox& box);
    void ShowStatus(const std::string& text);
    std::string Printable(const std::string& w1250) const;

    std::FILE* out_;
    std::FILE* in_;
    bool terminal_ = false;
    Answerer answerer_;
    HaltHandler haltHandler_;
    std::function<std::string(std::string)> redact_;
    std::string loopPrefix_;  // the loop whose statuses are coming
    std::string pending_;     // a loop's latest status, not printed yet
    bool inPlace_ = false;    // a terminal line is being updated in place
    std::map<std::pair<WindowId, int>, std::string> shown_;  // last text printed per control
};

// The box as lines of text: the caption, its lines, then its buttons with
// their answers ("[1] Pokračovat  [2] Ukončit"), in UTF-8. Access-key marks
// are dropped.
std::string BoxText(const MessageBox& box);

}  // namespace dbprobe::platform
