#include "framework/platform/qt/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <vector>

#include "framework/platform/core/encoding.h"
#include "framework/platform/qt/drawn_resources.h"

namespace dbprobe::platform {
namespace {

QString Shown(std::string_view w1250) { return QString::fromStdString(ToUtf8(w1250)); }

struct Choice {
    QString caption;
    int value = 0;
};

std::vector<Choice> Choices(const MessageBox& box) {
    std::vector<Choice> choices;
    const std::vector<std::string> named = NamedButtons(box.named);
    if (!named.empty()) {
        for (std::size_t i = 0; i < named.size(); ++i)
            choices.push_back({Shown(named[i]), static_cast<int>(i + 1)});
        return choices;
    }
    for (const StandardButton& button : StandardButtons(box.buttons))
        choices.push_back({Shown(button.caption), button.value});
    return choices;
}

// What Escape or closing the box answers.
int EscapeValue(const MessageBox& box, const std::vector<Choice>& choices) {
    if (box.named.empty()) {
        for (const int wanted : {button::Cancel, button::No})
            for (const Choice& choice : choices)
                if (choice.value == wanted) return wanted;
    }
    return choices.back().value;
}

void SetIcon(QMessageBox& dialog, std::string_view icon) {
    if (icon == icon::None) return;
    if (icon == icon::Exclamation) return dialog.setIcon(QMessageBox::Warning);
    if (icon == icon::Question) return dialog.setIcon(QMessageBox::Question);
    if (icon == icon::Stop) return dialog.setIcon(QMessageBox::Critical);
    // A missing icon file must not keep the message from the user.
    const QIcon file = ResourceIcon(icon);
    if (!file.isNull()) {
        const int size =
            dialog.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &dialog);
        dialog.setIconPixmap(file.pixmap(size, size));
    }
}

// A box asks for the mouse even while the program shows it is busy.
class ArrowWhileShown {
public:
    ArrowWhileShown() : busy_(QApplication::overrideCursor() != nullptr) {
        if (busy_) QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~ArrowWhileShown() {
        if (busy_) QApplication::restoreOverrideCursor();
    }
    ArrowWhileShown(const ArrowWhileShown&) = delete;
    ArrowWhileShown& operator=(const ArrowWhileShown&) = delete;

private:
    bool busy_;
};

}  // namespace

int RunMessageBox(const MessageBox& box, QWidget* parent) {
    QMessageBox dialog(parent);
    dialog.setWindowTitle(Shown(box.caption));
    dialog.setTextFormat(Qt::PlainText);
    QStringList lines;
    for (const std::string& line : MessageLines(box.text)) lines.push_back(Shown(line));
    dialog.setText(lines.join(QLatin1Char('\n')));
    SetIcon(dialog, box.icon);

    const std::vector<Choice> choices = Choices(box);
    const int escape = EscapeValue(box, choices);
    std::vector<std::pair<QAbstractButton*, int>> buttons;
    for (const Choice& choice : choices) {
        // One role for all keeps the buttons in the caller's order.
        QPushButton* button = dialog.addButton(choice.caption, QMessageBox::ActionRole);
        buttons.emplace_back(button, choice.value);
        if (choice.value == escape) dialog.setEscapeButton(button);
        if (box.defaultButton != 0 && choice.value == box.defaultButton)
            dialog.setDefaultButton(button);
    }
    if (box.defaultButton == 0)
        dialog.setDefaultButton(static_cast<QPushButton*>(buttons.front().first));

    {
        const ArrowWhileShown arrow;
        dialog.exec();
    }
    for (const auto& [button, value] : buttons)
        if (dialog.clickedButton() == button) return value;
    return escape;
}

}  // namespace dbprobe::platform
