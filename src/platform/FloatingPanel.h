#pragma once

// The one window type of the program's floating panels (the scrolling capture's heads-up panel,
// the thumbnail, pins): a frameless top-level window above ordinary windows that never takes the
// keyboard focus, stays visible while another application is active, and is left out of task
// bars and pagers on every desktop. Not a Qt::Tool window: on some desktops those hide whenever
// another application is active, which for a tray program is nearly always.

class QWidget;

namespace quorvane::FloatingPanel {

enum class Input { accepted, passesThrough };

// Gives `window` the panel's flags and window states; call before it is first shown.
void configure(QWidget& window, Input input);

} // namespace quorvane::FloatingPanel
