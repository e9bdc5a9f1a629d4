#include "editor_window/WindowDragArea.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWindow>

namespace quorvane {

WindowDragArea::WindowDragArea(QWidget* parent) : QWidget(parent) {}

void WindowDragArea::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // The move itself starts with the first motion: handing the pointer to the window manager on
    // the press would swallow the second press of a double click. A third press of a fast
    // series arrives as a plain press, so it drags and does not zoom.
    pressed_ = true;
    pressAt_ = event->globalPosition();
    event->accept();
}

void WindowDragArea::mouseMoveEvent(QMouseEvent* event) {
    if (!pressed_ || !(event->buttons() & Qt::LeftButton)) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    event->accept();
    // A hand's tremor between the clicks of a double click is no drag.
    if ((event->globalPosition() - pressAt_).manhattanLength() < QApplication::startDragDistance()) return;
    // Not in a shown window yet: nothing to move.
    if (QWindow* handle = window()->windowHandle()) handle->startSystemMove();
}

void WindowDragArea::mouseReleaseEvent(QMouseEvent* event) {
    pressed_ = false;
    QWidget::mouseReleaseEvent(event);
}

void WindowDragArea::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    pressed_ = false;
    event->accept();
    QWidget* top = window();
    if (top->windowHandle() == nullptr || !top->isVisible()) return;
    // Always zooms, as the title bar's button would.
    if (top->isMaximized())
        top->showNormal();
    else
        top->showMaximized();
}

} // namespace quorvane
