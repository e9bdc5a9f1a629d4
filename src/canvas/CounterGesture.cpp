#include "canvas/CounterGesture.h"

#include "canvas/EditorCanvasSettings.h"
#include "canvas/EditorCanvasView.h"
#include "canvas/ToolAnnotationFactory.h"
#include "core/Geometry.h"
#include "document/EditorDocument.h"

namespace quorvane {

std::optional<Annotation> CounterGesture::step(const QPointF& a, const QPointF& b,
                                               const std::optional<Annotation>&, Qt::KeyboardModifiers) {
    if (!startsInImage(a)) return std::nullopt;
    const EditorCanvasSettings& settings = view_.settings();
    Annotation counter = styled(AnnotationKind::counter);
    counter.fontSize = settings.style().fontPoints() * settings.style().pixelScale();
    counter.rect = ToolAnnotationFactory::counterRect(b, counter.fontSize);
    counter.start = counter.rect.topLeft();
    counter.end = QPointF(geom::maxX(counter.rect), geom::maxY(counter.rect));
    counter.strokeWidth = 3.0;
    counter.fill = false;
    counter.number = view_.document()->nextCounterNumber();
    return counter;
}

} // namespace quorvane
