#include "canvas/HighlightGesture.h"

#include "canvas/EditorCanvasSettings.h"
#include "canvas/EditorCanvasView.h"

namespace quorvane {

std::optional<Annotation> HighlightGesture::step(const QPointF& a, const QPointF& b,
                                                 const std::optional<Annotation>&, Qt::KeyboardModifiers) {
    const auto kind = view_.settings().style().drawingKind();
    const QRectF area = spanned(a, b);
    if (!kind || !startsInImage(a) || !(area.width() > 0) || !(area.height() > 0)) return std::nullopt;
    return view_.settings().toolAnnotation(*kind, area, *view_.document());
}

} // namespace quorvane
