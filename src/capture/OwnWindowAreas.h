#pragma once

// Where this program's own windows are on the screen, as far as Qt knows without asking the
// X server: device pixels, with room for a window manager's frame.

#include "capture/CaptureService.h"

#include <QRect>
#include <vector>

class QWidget;

namespace quorvane::OwnWindowAreas {

// False when no window of this process can be over `area` of a display capture with `filter`.
bool mayCover(const ContentFilter& filter, const QRect& area);
// The windows on screen, and `showing`, a window about to be shown; menus and tool tips, which
// come and go, and windows that bypass the window manager are not counted.
std::vector<QRect> shown(const QWidget* showing);

} // namespace quorvane::OwnWindowAreas
