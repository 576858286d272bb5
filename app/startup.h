#pragma once
// The program's frame: bringing up the global services in order, running the
// main window, and taking everything down again.

#include <optional>

namespace dbprobe::app {

// The user's full-window-dragging setting, where the platform has one. The
// program switches it off while it runs and back on at a normal end.
class WindowDragging {
public:
    virtual ~WindowDragging() = default;
    // None when the platform has no such setting.
    virtual std::optional<bool> Get() = 0;
    virtual void Set(bool on) = 0;
};

// This platform's: it has no such setting.
WindowDragging& PlatformWindowDragging();

// Runs the program on the installed window services: thread start, the main
// routine, thread end. Returns the exit code of a normal end (0); a halt ends
// the process before.
int RunProgram(WindowDragging& dragging = PlatformWindowDragging());

}  // namespace dbprobe::app
