#include "panels/FloatingPanel.h"

#include "canvas/AccessibleGroup.h"
#include "platform/X11PanelHints.h"

namespace quorvane::FloatingPanel {

void prepare(QWidget& window, const QString& title, Focus focus) {
    window.setWindowTitle(title);
    // Qt gives a top-level widget of its own class the role of a plain filler.
    AccessibleGroup::expose(window, QAccessible::Window, title);
    Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
    if (focus == Focus::never) {
        flags |= Qt::WindowDoesNotAcceptFocus;
        window.setAttribute(Qt::WA_ShowWithoutActivating);
    }
    window.setWindowFlags(flags);
    window.setAttribute(Qt::WA_TranslucentBackground);
    window.setAttribute(Qt::WA_QuitOnClose, false);
    X11PanelHints::keepOnEveryShow(window);
}

} // namespace quorvane::FloatingPanel
