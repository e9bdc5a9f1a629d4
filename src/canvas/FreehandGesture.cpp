#include "canvas/FreehandGesture.h"

#include "canvas/EditorCanvasView.h"
#include "core/Geometry.h"

namespace quorvane {

std::optional<Annotation> FreehandGesture::step(const QPointF& a, const QPointF& b,
                                                const std::optional<Annotation>& proposed,
                                                Qt::KeyboardModifiers) {
    if (!startsInImage(a)) return std::nullopt;
    // Points closer than a view unit add nothing the eye can see.
    const double spacing = 1.0 / view_.transform().zoom;
    if (proposed && proposed->kind == AnnotationKind::freehand) return proposed->extended(b, spacing);
    if (!(distance(a, b) >= spacing)) return std::nullopt;
    Annotation line = styled(AnnotationKind::freehand);
    line.points = {a, b};
    line.rect = Annotation::bounds(line.points);
    line.start = line.rect.topLeft();
    line.end = QPointF(geom::maxX(line.rect), geom::maxY(line.rect));
    line.fill = false;
    return line;
}

} // namespace quorvane
