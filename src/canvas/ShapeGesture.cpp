#include "canvas/ShapeGesture.h"

#include "canvas/EditorCanvasSettings.h"
#include "canvas/EditorCanvasView.h"

namespace quorvane {

std::optional<Annotation> ShapeGesture::step(const QPointF& a, const QPointF& b,
                                             const std::optional<Annotation>&, Qt::KeyboardModifiers) {
    const auto kind = view_.settings().style().drawingKind();
    if (!kind || !startsInImage(a) || !(distance(a, b) > 0)) return std::nullopt;
    Annotation shape = styled(*kind);
    shape.rect = spanned(a, b);
    shape.start = a;
    shape.end = b;
    return shape;
}

} // namespace quorvane
