#include "scrolling/ScrollOutlineView.h"

#include "scrolling/ScrollWindowAccessible.h"

#include <QPainter>

namespace quorvane {

ScrollOutlineView::ScrollOutlineView(const QRect& strip, const QRect& frame)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::BypassWindowManagerHint | Qt::WindowTransparentForInput |
                           Qt::WindowDoesNotAcceptFocus),
      frame_(frame) {
    ScrollWindowAccessible::expose(*this, ScrollWindowAccessible::Content::drawingOnly);
    setWindowTitle(title());
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setGeometry(strip);
}

void ScrollOutlineView::paintBand(QPainter& painter, const QRectF& frame) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    const QRectF bounds(QPointF(0, 0), frame.size());
    painter.setPen(QPen(QColor(0, 0, 0, 179), 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5));
    painter.setPen(QPen(Qt::white, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawRect(bounds.adjusted(1.5, 1.5, -1.5, -1.5));
}

void ScrollOutlineView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.translate(QPointF(frame_.topLeft() - geometry().topLeft()));
    paintBand(painter, QRectF(frame_));
}

} // namespace quorvane
