#include "canvas/HighContrastStyle.h"

#include "core/Geometry.h"
#include "document/SystemColors.h"

namespace quorvane {
namespace {

void stroke(QPainter& painter, const QRectF& rect, const QColor& color, double width) {
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(color, width));
    painter.drawRect(rect);
    painter.restore();
}

void fillOval(QPainter& painter, const QRectF& rect, const QColor& color) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(rect);
    painter.restore();
}

} // namespace

void HighContrastStyle::strokeOutline(QPainter& painter, const QRectF& rect) const {
    if (!enabled) {
        stroke(painter, rect, SystemColors::cyan(), 1.0);
        return;
    }
    stroke(painter, rect, SystemColors::black(), 4.0);
    stroke(painter, rect, SystemColors::white(), 2.0);
}

void HighContrastStyle::fillRoundHandle(QPainter& painter, const QRectF& rect) const {
    const QRectF halo = geom::insetBy(rect, -1.5, -1.5);
    fillOval(painter, halo, enabled ? SystemColors::black() : SystemColors::white());
    fillOval(painter, rect, enabled ? SystemColors::white() : SystemColors::cyan());
}

void HighContrastStyle::fillHandle(QPainter& painter, const QRectF& rect) const {
    if (!enabled) {
        painter.fillRect(rect, SystemColors::cyan());
        return;
    }
    painter.fillRect(geom::insetBy(rect, -1.0, -1.0), SystemColors::black());
    painter.fillRect(rect, SystemColors::white());
}

} // namespace quorvane
