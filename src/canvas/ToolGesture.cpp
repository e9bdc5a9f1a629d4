#include "canvas/ToolGesture.h"

#include "canvas/EditorCanvasSettings.h"
#include "canvas/EditorCanvasView.h"
#include "core/Geometry.h"

#include <QUuid>
#include <algorithm>
#include <cmath>

namespace quorvane {

void ToolGesture::press(const QPointF&, int) {}

std::optional<Annotation> ToolGesture::release(const std::optional<Annotation>& proposed) {
    return proposed;
}

double ToolGesture::distance(const QPointF& a, const QPointF& b) {
    return std::hypot(b.x() - a.x(), b.y() - a.y());
}

QRectF ToolGesture::spanned(const QPointF& a, const QPointF& b) {
    return QRectF(std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::abs(b.x() - a.x()),
                  std::abs(b.y() - a.y()));
}

Annotation ToolGesture::styled(AnnotationKind kind) const {
    const EditorCanvasSettings& settings = view_.settings();
    Annotation a;
    a.id = QUuid::createUuid();
    a.kind = kind;
    a.color = settings.style().color();
    a.strokeWidth = settings.style().strokeWidth();
    a.fill = settings.style().fill();
    return a;
}

bool ToolGesture::startsInImage(const QPointF& a) const {
    const EditorDocument* document = view_.document();
    return document != nullptr && geom::contains(document->cropRect(), a);
}

} // namespace quorvane
