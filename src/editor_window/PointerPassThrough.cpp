#include "editor_window/PointerPassThrough.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

namespace quorvane {

PointerPassThrough::PointerPassThrough(QWidget& overlay) : QObject(&overlay), overlay_(overlay) {
    overlay_.setAttribute(Qt::WA_TransparentForMouseEvents);
    overlay_.installEventFilter(this);
    watchWindow();
}

bool PointerPassThrough::controlAt(const QPointF& global) const {
    for (QWidget* child : overlay_.findChildren<QWidget*>()) {
        if (!(child->focusPolicy() & Qt::ClickFocus) || !child->isVisible() || !child->isEnabled()) continue;
        if (child->rect().contains(child->mapFromGlobal(global).toPoint())) return true;
    }
    return false;
}

void PointerPassThrough::watchWindow() {
    // The window's native side exists only once it is shown, and moves with a new parent.
    QWindow* window = overlay_.window()->windowHandle();
    if (window == window_) return;
    if (window_) window_->removeEventFilter(this);
    window_ = window;
    if (window_) window_->installEventFilter(this);
}

bool PointerPassThrough::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &overlay_) {
        if (event->type() == QEvent::Show || event->type() == QEvent::ParentChange) watchWindow();
        return false;
    }
    if (watched != window_) return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
    case QEvent::Enter:
    case QEvent::Wheel: {
        const auto* pointer = static_cast<const QSinglePointEvent*>(event);
        overlay_.setAttribute(Qt::WA_TransparentForMouseEvents, !controlAt(pointer->globalPosition()));
        break;
    }
    default:
        break;
    }
    return false;
}

} // namespace quorvane
