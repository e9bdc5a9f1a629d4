#pragma once

#include <QWidget>

namespace quorvane::FloatingPanel {

// Whether a panel may take the keyboard: the thumbnail never does, a pin does.
enum class Focus { never, accepted };

// The one window type of the program's floating panels: a frameless, always-on-top top-level
// window titled `title` on every desktop that stays out of task bars and window cycling, which a
// screen reader meets as a window. Not Qt::Tool: on xcb such windows belong to the
// application's leader, and some desktops hide them whenever another application is active,
// which for a tray program is nearly always.
void prepare(QWidget& window, const QString& title, Focus focus);

} // namespace quorvane::FloatingPanel
