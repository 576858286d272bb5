#pragma once
// Modal message boxes on Qt: the caller's lines, buttons and icon, and the
// value of the button that closed the box.

#include "framework/platform/window_services.h"

class QWidget;

namespace dbprobe::platform {

// Returns the pressed button's mask value (standard set) or its 1-based
// position (named buttons). Escape or closing the box counts as Cancel, else
// No, else the last button.
int RunMessageBox(const MessageBox& box, QWidget* parent);

}  // namespace dbprobe::platform
