#pragma once
// The window services on Qt Widgets, for the desktop program.
//
// Qt needs one QApplication per process before any widget exists. The
// constructor creates it when there is none yet and then owns it: it lives as
// long as these services, and the windows go before it. When the program has
// made its own QApplication, that one is used and left alone.

#include <map>
#include <memory>

#include "framework/platform/window_services.h"

class QApplication;
class QWidget;

namespace dbprobe::platform {

class DescribedWindow;

class QtWindowServices : public WindowServices {
public:
    QtWindowServices();
    ~QtWindowServices() override;
    QtWindowServices(const QtWindowServices&) = delete;
    QtWindowServices& operator=(const QtWindowServices&) = delete;

    WindowId Open(const WindowDescription& description) override;
    void Close(WindowId window) override;
    std::optional<Event> NextEvent(WindowId window) override;
    void Finish(WindowId window, const Event& event, bool defaultProcessing) override;
    void Post(WindowId window, Event event) override;
    void SetAlertKeys(WindowId window, int control, std::vector<int> keys) override;
    void Redisplay(WindowId window) override;
    void SetText(WindowId window, int control, std::string_view text) override;
    void Disable(WindowId window, int control) override;
    void Select(WindowId window, int control, int row = 0) override;
    int Choice(WindowId window, int control) override;
    void SetProperty(WindowId window, int control, int property, std::int64_t value) override;
    void SetDefaultIcon(std::string_view icon) override;
    int Show(const MessageBox& box) override;
    void Halt(int exitCode, std::string_view text) override;
    void SetCursor(Cursor cursor) override;

    // The widgets behind a window and its controls (screenshots, tests);
    // none once the window is closed.
    QWidget* WindowWidget(WindowId window) const;
    QWidget* ControlWidget(WindowId window, int control) const;

private:
    DescribedWindow* Find(WindowId window) const;

    // QApplication keeps references to argc and argv for its whole life.
    int argc_ = 1;
    char programName_[8] = "dbprobe";
    char* argv_[2] = {programName_, nullptr};
    std::unique_ptr<QApplication> application_;  // only when we made it

    struct OpenWindow {
        std::unique_ptr<DescribedWindow> widget;
        bool shown = false;  // a window appears with the first event asked for
    };
    std::map<WindowId, OpenWindow> windows_;
    WindowId nextId_ = 1;
    bool waitCursor_ = false;
};

}  // namespace dbprobe::platform
