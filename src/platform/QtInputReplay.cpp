#include "platform/QtInputReplay.h"

#include <QApplication>
#include <QWidget>
#include <QWindow>

// QtGui's own entry points for input that did not come from the window system, the ones its test
// library uses; exported, though in no public header.
Q_GUI_EXPORT void qt_handleKeyEvent(QWindow* window, QEvent::Type type, int key,
                                    Qt::KeyboardModifiers modifiers, const QString& text, bool autorepeat,
                                    ushort count);
Q_GUI_EXPORT void qt_handleMouseEvent(QWindow* window, const QPointF& local, const QPointF& global,
                                      Qt::MouseButtons state, Qt::MouseButton button, QEvent::Type type,
                                      Qt::KeyboardModifiers modifiers, int timestamp);

namespace quorvane {

void QtInputReplay::deliver(QWindow& window, const QInputEvent& event) {
    switch (event.type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const auto& key = static_cast<const QKeyEvent&>(event);
        qt_handleKeyEvent(&window, key.type(), key.key(), key.modifiers(), key.text(), key.isAutoRepeat(),
                          static_cast<ushort>(key.count()));
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove: {
        const auto& mouse = static_cast<const QMouseEvent&>(event);
        // Qt's own clock as the window system gave it: a second press soon after makes a double
        // click again.
        qt_handleMouseEvent(&window, mouse.position(), mouse.globalPosition(), mouse.buttons(),
                            mouse.button(), mouse.type(), mouse.modifiers(),
                            static_cast<int>(mouse.timestamp()));
        break;
    }
    default: {
        // The wheel has no such entry point: it goes to the widget under it and on to its parents
        // until one takes it, as Qt hands a wheel turn that came from the window system.
        const auto& wheel = static_cast<const QWheelEvent&>(event);
        QWidget* root = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->windowHandle() == &window) root = top;
        if (root == nullptr) break;
        QWidget* widget = root->childAt(wheel.position().toPoint());
        if (widget == nullptr) widget = root;
        QPointF at = widget->mapFrom(root, wheel.position());
        for (; widget != nullptr; widget = widget->isWindow() ? nullptr : widget->parentWidget()) {
            QWheelEvent turn(at, wheel.globalPosition(), wheel.pixelDelta(), wheel.angleDelta(),
                             wheel.buttons(), wheel.modifiers(), wheel.phase(), wheel.inverted(),
                             wheel.source(), wheel.pointingDevice());
            turn.setTimestamp(wheel.timestamp());
            QCoreApplication::sendEvent(widget, &turn);
            if (turn.isAccepted()) break;
            at = widget->mapToParent(at);
        }
        break;
    }
    }
}

} // namespace quorvane
