#pragma once

// Mouse events as the window system delivers them: to the widget's window, which finds the
// widget under the pointer (skipping what lets the pointer through) and hands the event on. The
// position may fall between two points, as every odd device pixel does at two pixels a point.

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace quorvane::test {

// `at` is in `widget`'s coordinates.
inline void sendThroughWindow(QWidget& widget, QEvent::Type type, QPointF at) {
    QWidget* top = widget.window();
    const QPointF inWindow = QPointF(widget.mapTo(top, QPoint())) + at;
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, inWindow, inWindow, QPointF(top->mapToGlobal(QPoint())) + inWindow, button, held,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(top->windowHandle(), &event);
}

// A hover without a button held.
inline void hoverThroughWindow(QWidget& widget, QPointF at) {
    QWidget* top = widget.window();
    const QPointF inWindow = QPointF(widget.mapTo(top, QPoint())) + at;
    QMouseEvent event(QEvent::MouseMove, inWindow, inWindow, QPointF(top->mapToGlobal(QPoint())) + inWindow,
                      Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(top->windowHandle(), &event);
}

// A press, a move half way, and a release at `to`.
inline void dragThroughWindow(QWidget& widget, QPointF from, QPointF to) {
    sendThroughWindow(widget, QEvent::MouseButtonPress, from);
    sendThroughWindow(widget, QEvent::MouseMove, (from + to) / 2);
    sendThroughWindow(widget, QEvent::MouseMove, to);
    sendThroughWindow(widget, QEvent::MouseButtonRelease, to);
}

} // namespace quorvane::test
