#include "framework/platform/qt/qt_window_services.h"

#include <QApplication>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "framework/platform/core/runtime_settings.h"
#include "framework/platform/qt/described_window.h"
#include "framework/platform/qt/drawn_resources.h"
#include "framework/platform/qt/message_box.h"

namespace dbprobe::platform {

QtWindowServices::QtWindowServices() {
    if (QCoreApplication::instance()) return;
    application_ = std::make_unique<QApplication>(argc_, argv_);
    // Windows close when their caller says so; the last one going is no
    // reason for Qt to end the program's loop.
    application_->setQuitOnLastWindowClosed(false);
}

QtWindowServices::~QtWindowServices() {
    windows_.clear();
    if (waitCursor_) QApplication::restoreOverrideCursor();
}

DescribedWindow* QtWindowServices::Find(WindowId window) const {
    const auto found = windows_.find(window);
    return found == windows_.end() ? nullptr : found->second.widget.get();
}

WindowId QtWindowServices::Open(const WindowDescription& description) {
    const WindowId id = nextId_++;
    auto widget = std::make_unique<DescribedWindow>(description);
    widget->Queue({event::OpenWindow, 0, 0});
    windows_[id] = {std::move(widget), false};
    return id;
}

void QtWindowServices::Close(WindowId window) { windows_.erase(window); }

std::optional<Event> QtWindowServices::NextEvent(WindowId window) {
    if (const auto found = windows_.find(window); found != windows_.end() && !found->second.shown) {
        DescribedWindow* widget = found->second.widget.get();
        found->second.shown = true;
        widget->show();
        widget->activateWindow();
    }
    while (true) {
        // Looked up each time: a handler run by Qt may have closed it.
        DescribedWindow* widget = Find(window);
        if (!widget) return std::nullopt;
        if (std::optional<Event> event = widget->Take()) return event;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

void QtWindowServices::Finish(WindowId window, const Event& event, bool defaultProcessing) {
    DescribedWindow* widget = Find(window);
    if (!widget || !defaultProcessing) return;
    if (event.number == event::CloseWindow || event.number == event::CloseDown) {
        Close(window);
        return;
    }
    if (event.number == event::Accepted) {
        const Control* control = widget->Description(event.control);
        if (control && control->closesWindow) widget->QueueNext({event::CloseWindow, 0, 0});
    }
}

void QtWindowServices::Post(WindowId window, Event event) {
    if (DescribedWindow* widget = Find(window)) widget->Queue(event);
}

void QtWindowServices::SetAlertKeys(WindowId window, int control, std::vector<int> keys) {
    if (DescribedWindow* widget = Find(window)) widget->SetAlertKeys(control, std::move(keys));
}

void QtWindowServices::Redisplay(WindowId window) {
    DescribedWindow* widget = Find(window);
    if (!widget) return;
    widget->Redisplay();
    // Paints without taking input: the caller is busy and not reading events.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtWindowServices::SetText(WindowId window, int control, std::string_view text) {
    if (DescribedWindow* widget = Find(window)) widget->SetText(control, text);
}

void QtWindowServices::Disable(WindowId window, int control) {
    if (QWidget* widget = ControlWidget(window, control)) widget->setEnabled(false);
}

void QtWindowServices::Select(WindowId window, int control, int row) {
    if (DescribedWindow* widget = Find(window)) widget->Select(control, row);
}

int QtWindowServices::Choice(WindowId window, int control) {
    DescribedWindow* widget = Find(window);
    return widget ? widget->Choice(control) : 0;
}

void QtWindowServices::SetProperty(WindowId window, int control, int property, std::int64_t value) {
    DescribedWindow* widget = Find(window);
    if (widget && property == property::ProgressMaximum) widget->SetProgressMaximum(control, value);
}

void QtWindowServices::SetDefaultIcon(std::string_view icon) {
    if (const QIcon made = ResourceIcon(icon); !made.isNull()) QApplication::setWindowIcon(made);
}

int QtWindowServices::Show(const MessageBox& box) {
    return RunMessageBox(box, QApplication::activeWindow());
}

void QtWindowServices::Halt(int exitCode, std::string_view text) {
    MessageBox box;
    box.text = std::string(text);
    box.caption = "Halt";
    box.icon = std::string(icon::Stop);
    box.buttons = button::Ok;
    RunMessageBox(box, QApplication::activeWindow());
    // A halt can come from deep inside a handler. Running the static
    // destructors there would tear down Qt (and these services with their
    // QApplication) in an order Qt does not support, so the streams are
    // flushed by hand and the process ends at once.
    std::cout.flush();
    std::cerr.flush();
    std::clog.flush();
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

void QtWindowServices::SetCursor(Cursor cursor) {
    const bool wait = cursor == Cursor::Wait;
    if (wait == waitCursor_) return;
    if (wait)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
    waitCursor_ = wait;
}

QWidget* QtWindowServices::WindowWidget(WindowId window) const { return Find(window); }

QWidget* QtWindowServices::ControlWidget(WindowId window, int control) const {
    const DescribedWindow* widget = Find(window);
    return widget ? widget->ControlWidget(control) : nullptr;
}

}  // namespace dbprobe::platform
