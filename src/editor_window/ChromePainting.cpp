#include "editor_window/ChromePainting.h"

#include <QPainter>
#include <QPainterPath>

namespace quorvane::ChromePainting {

void fillRounded(QPainter& painter, const QRectF& rect, QColor color, double opacity) {
    color.setAlphaF(static_cast<float>(opacity));
    QPainterPath path;
    path.addRoundedRect(rect, cornerRadius, cornerRadius);
    painter.fillPath(path, color);
}

void focusRing(QPainter& painter, const QRectF& rect, const QColor& accent) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(accent, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(rect.adjusted(1, 1, -1, -1), cornerRadius - 1, cornerRadius - 1);
    painter.restore();
}

void swatch(QPainter& painter, const QRectF& circle, const QColor& color, const QColor& primary) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath disc;
    disc.addEllipse(circle);
    if (color.isValid()) painter.fillPath(disc, color);
    QColor border = primary;
    border.setAlphaF(0.25F);
    painter.setPen(QPen(border, 1));
    painter.setBrush(Qt::NoBrush);
    // Stroked inside the circle.
    painter.drawEllipse(circle.adjusted(0.5, 0.5, -0.5, -0.5));
    painter.restore();
}

} // namespace quorvane::ChromePainting
