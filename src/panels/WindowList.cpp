#include "panels/WindowList.h"

#include <QPainter>

namespace quorvane {

WindowList::WindowList(QWidget* parent) : QScrollArea(parent) {
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
}

void WindowList::setRows(QWidget* rows) {
    setWidget(rows);
    // Qt fills it, which would hide the frame drawn beneath; the rows keep their margins clear.
    rows->setAutoFillBackground(false);
}

void WindowList::paintEvent(QPaintEvent*) {
    // A click's focus shows nothing, as on the other controls.
    if (!hasFocus() || !window()->testAttribute(Qt::WA_KeyboardFocusChange)) return;
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.drawRoundedRect(QRectF(viewport()->rect()).adjusted(1, 1, -1, -1), 5, 5);
}

void WindowList::focusInEvent(QFocusEvent* event) {
    QScrollArea::focusInEvent(event);
    viewport()->update();
}

void WindowList::focusOutEvent(QFocusEvent* event) {
    QScrollArea::focusOutEvent(event);
    viewport()->update();
}

} // namespace quorvane
