#include "framework/platform/qt/described_window.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <cstring>

#include "framework/platform/core/encoding.h"
#include "framework/platform/qt/dialog_units.h"
#include "framework/platform/qt/drawn_resources.h"

namespace dbprobe::platform {
namespace {

QString Shown(std::string_view w1250) { return QString::fromStdString(ToUtf8(w1250)); }

// A blank-padded variable as it is shown: without the padding.
QString ShownVariable(const TextVariable& variable) {
    std::string_view text(variable.data, variable.size);
    const std::size_t end = text.find_last_not_of(std::string_view(" \0", 2));
    return Shown(text.substr(0, end == std::string_view::npos ? 0 : end + 1));
}

// The key code an alert-key event carries; 0 for keys the window never reports.
int AlertCode(const QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        switch (static_cast<const QKeyEvent*>(event)->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                return key::Enter;
            case Qt::Key_Escape:
                return key::Esc;
            default:
                return 0;
        }
    }
    if (event->type() == QEvent::MouseButtonDblClick &&
        static_cast<const QMouseEvent*>(event)->button() == Qt::LeftButton)
        return key::LeftDoubleClick;
    return 0;
}

void ApplyFont(QWidget* widget, const Font& font) {
    widget->setFont(MakeFont(font));
    if (font.color == 0) return;
    const QColor color((font.color >> 16) & 0xFF, (font.color >> 8) & 0xFF, font.color & 0xFF);
    QPalette palette = widget->palette();
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, color);
    widget->setPalette(palette);
}

}  // namespace

DescribedWindow::DescribedWindow(const WindowDescription& description) {
    setWindowTitle(Shown(description.caption));
    if (const QIcon icon = ResourceIcon(description.icon); !icon.isNull()) setWindowIcon(icon);
    wallpaper_ = ResourcePicture(description.wallpaper);
    setFont(MakeFont(description.font));

    const DialogUnits units(font());
    controls_.reserve(description.controls.size());
    for (const Control& control : description.controls)
        controls_.push_back({control, Build(control, units), {}});

    // A prompt's access key moves the focus to the control that follows it.
    for (std::size_t i = 0; i + 1 < controls_.size(); ++i)
        if (controls_[i].control.kind == ControlKind::Prompt)
            static_cast<QLabel*>(controls_[i].widget)->setBuddy(controls_[i + 1].widget);

    for (Bound& bound : controls_) Show(bound);

    if (description.width > 0 && description.height > 0)
        setFixedSize(units.X(description.width), units.Y(description.height));
    else
        adjustSize();
}

QWidget* DescribedWindow::Build(const Control& control, const DialogUnits& units) {
    QWidget* widget = nullptr;
    const int number = control.number;
    switch (control.kind) {
        case ControlKind::Text:
        case ControlKind::Prompt: {
            auto* label = new QLabel(Shown(control.text), this);
            widget = label;
            break;
        }
        case ControlKind::Entry: {
            auto* entry = new QLineEdit(this);
            const int limit =
                control.editWidth > 0 ? control.editWidth : static_cast<int>(control.variable.size);
            if (limit > 0) entry->setMaxLength(limit);
            connect(entry, &QLineEdit::textEdited, this, [this, number](const QString& text) {
                if (const Bound* bound = Find(number)) WriteBack(*bound, text);
            });
            widget = entry;
            break;
        }
        case ControlKind::Button: {
            auto* button = new QPushButton(Shown(control.text), this);
            button->setAutoDefault(false);
            connect(button, &QPushButton::clicked, this, [this, number] {
                Queue({event::Accepted, number, 0});
            });
            widget = button;
            break;
        }
        case ControlKind::List: {
            auto* list = new QListWidget(this);
            list->setSelectionMode(QAbstractItemView::SingleSelection);
            list->viewport()->installEventFilter(this);
            widget = list;
            break;
        }
        case ControlKind::Progress: {
            auto* bar = new QProgressBar(this);
            bar->setRange(control.low, std::max(control.low, control.high));
            bar->setTextVisible(false);
            widget = bar;
            break;
        }
    }
    if (!widget) widget = new QWidget(this);  // a kind this build does not know: a blank spot
    widget->installEventFilter(this);
    if (!control.tooltip.empty()) widget->setToolTip(Shown(control.tooltip));
    if (control.font) ApplyFont(widget, *control.font);

    const bool text = control.kind == ControlKind::Text || control.kind == ControlKind::Prompt;
    const int width = control.width == kAuto ? widget->sizeHint().width() : units.X(control.width);
    const int height = control.height != kAuto ? units.Y(control.height)
                       : text                  ? widget->fontMetrics().height()
                                               : widget->sizeHint().height();
    widget->setGeometry(units.X(control.x), units.Y(control.y), width, height);
    return widget;
}

void DescribedWindow::SetText(int number, std::string_view text) {
    if (number == 0) {
        setWindowTitle(Shown(text));
        return;
    }
    Bound* bound = Find(number);
    if (bound == nullptr) return;
    bound->control.text = std::string(text);
    if (auto* label = qobject_cast<QLabel*>(bound->widget); label && !bound->control.variable.data)
        label->setText(Shown(text));
    else if (auto* button = qobject_cast<QAbstractButton*>(bound->widget))
        button->setText(Shown(text));
}

void DescribedWindow::Show(Bound& bound) {
    const Control& control = bound.control;
    switch (control.kind) {
        case ControlKind::Text:
            if (control.variable.data) {
                auto* label = static_cast<QLabel*>(bound.widget);
                label->setText(ShownVariable(control.variable));
                // An automatic width follows the text it shows now.
                if (control.width == kAuto)
                    label->resize(label->sizeHint().width(), label->height());
            }
            break;
        case ControlKind::Entry:
            if (control.variable.data) {
                auto* entry = static_cast<QLineEdit*>(bound.widget);
                const QString text = ShownVariable(control.variable);
                if (entry->text() != text) entry->setText(text);
            }
            break;
        case ControlKind::List:
            if (control.rows) {
                auto* list = static_cast<QListWidget*>(bound.widget);
                QStringList rows;
                rows.reserve(static_cast<qsizetype>(control.rows->size()));
                for (const std::string& row : *control.rows) rows.push_back(Shown(row));
                bool same = list->count() == rows.size();
                for (int i = 0; same && i < list->count(); ++i)
                    same = list->item(i)->text() == rows[i];
                if (same) break;
                const int current = list->currentRow();
                list->clear();
                list->addItems(rows);
                if (current >= 0 && current < list->count()) list->setCurrentRow(current);
            }
            break;
        case ControlKind::Progress:
            if (control.value) {
                auto* bar = static_cast<QProgressBar*>(bound.widget);
                // A value outside the range would be ignored, not shown at the end.
                bar->setValue(std::clamp(*control.value, bar->minimum(), bar->maximum()));
            }
            break;
        case ControlKind::Prompt:
        case ControlKind::Button:
            break;
    }
}

void DescribedWindow::WriteBack(const Bound& bound, const QString& text) {
    const TextVariable& variable = bound.control.variable;
    if (!variable.data) return;
    const std::string w1250 = FromUtf8(text.toStdString());
    const std::size_t kept = std::min(w1250.size(), variable.size);
    std::memcpy(variable.data, w1250.data(), kept);
    std::memset(variable.data + kept, ' ', variable.size - kept);
}

void DescribedWindow::Queue(const Event& event) { queue_.push_back(event); }

void DescribedWindow::QueueNext(const Event& event) { queue_.push_front(event); }

std::optional<Event> DescribedWindow::Take() {
    if (queue_.empty()) return std::nullopt;
    const Event event = queue_.front();
    queue_.pop_front();
    return event;
}

void DescribedWindow::Redisplay() {
    for (Bound& bound : controls_) Show(bound);
    update();
}

DescribedWindow::Bound* DescribedWindow::Find(int number) {
    for (Bound& bound : controls_)
        if (bound.control.number == number) return &bound;
    return nullptr;
}

const DescribedWindow::Bound* DescribedWindow::Find(int number) const {
    for (const Bound& bound : controls_)
        if (bound.control.number == number) return &bound;
    return nullptr;
}

QWidget* DescribedWindow::ControlWidget(int number) const {
    const Bound* bound = Find(number);
    return bound ? bound->widget : nullptr;
}

const Control* DescribedWindow::Description(int number) const {
    const Bound* bound = Find(number);
    return bound ? &bound->control : nullptr;
}

void DescribedWindow::SetAlertKeys(int number, std::vector<int> keys) {
    if (Bound* bound = Find(number)) bound->alertKeys = std::move(keys);
}

void DescribedWindow::Select(int number, int row) {
    Bound* bound = Find(number);
    if (!bound) return;
    bound->widget->setFocus(Qt::OtherFocusReason);
    if (bound->control.kind == ControlKind::List && row > 0) {
        auto* list = static_cast<QListWidget*>(bound->widget);
        if (row <= list->count()) list->setCurrentRow(row - 1);
    }
}

int DescribedWindow::Choice(int number) const {
    const Bound* bound = Find(number);
    if (!bound || bound->control.kind != ControlKind::List) return 0;
    return static_cast<QListWidget*>(bound->widget)->currentRow() + 1;
}

void DescribedWindow::SetProgressMaximum(int number, std::int64_t maximum) {
    Bound* bound = Find(number);
    if (!bound || bound->control.kind != ControlKind::Progress) return;
    auto* bar = static_cast<QProgressBar*>(bound->widget);
    bar->setMaximum(static_cast<int>(std::clamp<std::int64_t>(maximum, bar->minimum(), INT32_MAX)));
    Show(*bound);
}

void DescribedWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    Queue({event::CloseWindow, 0, 0});
}

void DescribedWindow::paintEvent(QPaintEvent* event) {
    if (wallpaper_.isNull()) return QWidget::paintEvent(event);
    QPainter painter(this);
    painter.drawPixmap(rect(), wallpaper_);
}

bool DescribedWindow::eventFilter(QObject* watched, QEvent* event) {
    const int code = AlertCode(event);
    if (code == 0) return QWidget::eventFilter(watched, event);
    for (const Bound& bound : controls_) {
        const bool mine = bound.widget == watched ||
                          (bound.control.kind == ControlKind::List &&
                           static_cast<QListWidget*>(bound.widget)->viewport() == watched);
        if (!mine) continue;
        if (std::find(bound.alertKeys.begin(), bound.alertKeys.end(), code) ==
            bound.alertKeys.end())
            break;
        Queue({event::AlertKey, bound.control.number, code});
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace dbprobe::platform
