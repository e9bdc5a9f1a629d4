#include "document/EraseDrawing.h"

#include "core/Geometry.h"
#include "document/DevicePixels.h"

namespace quorvane {

void drawErase(const Annotation& annotation, QPainter& painter, QImage& target) {
    const QColor color = annotation.color.isValid() ? annotation.color.toRgb() : QColor(Qt::white);
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (QImage* bitmap = DevicePixels::paintedImage(painter, target)) {
        const QRect area = DevicePixels::area(annotation.rect, painter, bitmap->size());
        if (area.isEmpty()) return;
        DevicePixels::use(painter);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(area, color);
        return;
    }
    painter.fillRect(geom::integral(geom::standardized(annotation.rect)), color);
}

} // namespace quorvane
