#pragma once
// Window descriptions place controls in dialog units, which scale with the
// window's font: a horizontal unit is a quarter of the font's average
// character width, a vertical unit an eighth of its height.

#include <QFont>

#include "framework/platform/window_services.h"

namespace dbprobe::platform {

// The described face at its size; a face the machine lacks falls back to a
// similar sans-serif one through Qt's font matching.
QFont MakeFont(const Font& font);

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    int X(int units) const;
    int Y(int units) const;

private:
    int averageWidth_ = 0;
    int height_ = 0;
};

}  // namespace dbprobe::platform
