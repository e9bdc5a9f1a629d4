#pragma once

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

namespace quorvane::test {

// Sends `widget` a press, move or release of the left button at `at` (its own coordinates), as
// a drag with that button would.
inline void sendMouse(QWidget& widget, QEvent::Type type, QPointF at) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, widget.mapToGlobal(at), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

// A press at `from` and one move to `to`.
inline void pressAndMove(QWidget& widget, QPointF from, QPointF to) {
    sendMouse(widget, QEvent::MouseButtonPress, from);
    sendMouse(widget, QEvent::MouseMove, to);
}

} // namespace quorvane::test
