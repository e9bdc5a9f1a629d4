#include "panels/FloatingPanel.h"

#include "platform/X11PanelHints.h"

namespace quorvane::FloatingPanel {

void prepare(QWidget& window, Focus focus) {
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
