#pragma once
// A top-level window built from a WindowDescription: its numbered controls
// bound to the caller's variables, the wallpaper behind them, and the queue
// of (event, control) pairs its widgets produce for the caller's loop.

#include <QPixmap>
#include <QWidget>
#include <deque>
#include <optional>
#include <vector>

#include "framework/platform/window_services.h"

namespace dbprobe::platform {

class DialogUnits;

class DescribedWindow : public QWidget {
public:
    explicit DescribedWindow(const WindowDescription& description);

    void Queue(const Event& event);
    // Ahead of everything queued: what the current event itself causes.
    void QueueNext(const Event& event);
    std::optional<Event> Take();

    // Every control shows its bound variable or value again.
    void Redisplay();

    // The control's widget; none for a number the description lacks.
    QWidget* ControlWidget(int number) const;
    const Control* Description(int number) const;

    // A control's fixed text, or the caption for 0.
    void SetText(int number, std::string_view text);
    void SetAlertKeys(int number, std::vector<int> keys);
    void Select(int number, int row);
    int Choice(int number) const;
    void SetProgressMaximum(int number, std::int64_t maximum);

protected:
    // A close request becomes an event; the caller decides (Finish).
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Bound {
        Control control;
        QWidget* widget = nullptr;  // owned by the window as its child
        std::vector<int> alertKeys;
    };

    Bound* Find(int number);
    const Bound* Find(int number) const;
    QWidget* Build(const Control& control, const DialogUnits& units);
    void Show(Bound& bound);
    void WriteBack(const Bound& bound, const QString& text);

    std::vector<Bound> controls_;
    std::deque<Event> queue_;
    QPixmap wallpaper_;
};

}  // namespace dbprobe::platform
