#pragma once

class QWidget;

namespace quorvane::X11PanelHints {

// Keeps the floating panel `window` on every desktop and out of task bars, pagers and window
// cycling on every showing. The window manager forgets a window's states and desktop when it is
// unmapped, so they are written again before each map, and asked for once more right after it in
// case the window manager was still forgetting the last showing's. Does nothing off X11.
void keepOnEveryShow(QWidget& window);

} // namespace quorvane::X11PanelHints
