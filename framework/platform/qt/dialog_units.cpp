#include "framework/platform/qt/dialog_units.h"

#include <QFontMetrics>
#include <cmath>

#include "framework/platform/core/encoding.h"

namespace dbprobe::platform {

QFont MakeFont(const Font& font) {
    QFont made(QString::fromStdString(ToUtf8(font.face)));
    made.setStyleHint(QFont::SansSerif);
    if (font.points > 0) made.setPointSize(font.points);
    made.setBold(font.bold);
    return made;
}

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    static const QString kAlphabet =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    averageWidth_ = (metrics.horizontalAdvance(kAlphabet) + 26) / 52;
    height_ = metrics.height();
}

int DialogUnits::X(int units) const {
    return static_cast<int>(std::lround(units * averageWidth_ / 4.0));
}

int DialogUnits::Y(int units) const { return static_cast<int>(std::lround(units * height_ / 8.0)); }

}  // namespace dbprobe::platform
