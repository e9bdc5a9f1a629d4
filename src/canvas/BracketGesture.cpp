#include "canvas/BracketGesture.h"

#include "canvas/EditorCanvasSettings.h"
#include "canvas/EditorCanvasView.h"
#include "core/Geometry.h"

#include <cmath>

namespace quorvane {

std::optional<Annotation> BracketGesture::step(const QPointF& a, const QPointF& b,
                                               const std::optional<Annotation>&, Qt::KeyboardModifiers) {
    if (!startsInImage(a)) return std::nullopt;
    Annotation bracket = styled(view_.settings().style().bracketKind());
    const bool vertical = std::abs(b.x() - a.x()) <= std::abs(b.y() - a.y());
    bracket.start = a;
    bracket.end = vertical ? QPointF(a.x(), b.y()) : QPointF(b.x(), a.y());
    bracket.fill = false;
    bracket.rect = spanned(a, b);
    bracket.rect = geom::standardized(bracket.bracketPath().boundingRect());
    if (!bracket.isValid()) return std::nullopt;
    return bracket;
}

} // namespace quorvane
