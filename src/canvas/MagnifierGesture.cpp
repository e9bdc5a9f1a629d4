#include "canvas/MagnifierGesture.h"

#include "canvas/EditorCanvasSettings.h"
#include "canvas/EditorCanvasView.h"
#include "core/Geometry.h"

namespace quorvane {

std::optional<Annotation> MagnifierGesture::step(const QPointF& a, const QPointF& b,
                                                 const std::optional<Annotation>&, Qt::KeyboardModifiers) {
    const double r = distance(a, b);
    if (!startsInImage(a) || !(r > 0)) return std::nullopt;
    Annotation loupe = styled(AnnotationKind::magnifier);
    loupe.rect = QRectF(a.x() - r, a.y() - r, 2 * r, 2 * r);
    loupe.start = a;
    loupe.end = QPointF(geom::maxX(loupe.rect), geom::maxY(loupe.rect));
    loupe.fill = false;
    loupe.magnification = view_.settings().style().magnification();
    return loupe;
}

} // namespace quorvane
