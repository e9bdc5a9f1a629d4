#include "canvas/DrawGesture.h"

#include "canvas/EditorCanvasSettings.h"
#include "canvas/EditorCanvasView.h"
#include "canvas/ErasePlacement.h"
#include "canvas/ToolAnnotationFactory.h"
#include "core/Geometry.h"
#include "document/EditorDocument.h"

#include <QUuid>
#include <algorithm>
#include <cmath>

namespace quorvane {
namespace {

constexpr double curvedArrowAmount = 0.22;
constexpr double textBoxWidth = 300;
constexpr double textBoxHeight = 100;

double distance(const QPointF& a, const QPointF& b) {
    return std::hypot(b.x() - a.x(), b.y() - a.y());
}

QPointF maxCorner(const QRectF& r) {
    return QPointF(geom::maxX(r), geom::maxY(r));
}

} // namespace

Annotation DrawGesture::blank(AnnotationKind kind) const {
    const EditorCanvasSettings& settings = view_.settings();
    Annotation a;
    a.id = QUuid::createUuid();
    a.kind = kind;
    a.color = settings.color();
    a.strokeWidth = settings.strokeWidth();
    a.fill = settings.fill();
    a.fontSize = 24.0;
    a.opacity = 1.0;
    a.number = 0;
    a.magnification = 2.0;
    return a;
}

std::optional<Annotation> DrawGesture::built(AnnotationKind kind, const QPointF& a, const QPointF& b) {
    const EditorDocument& document = *view_.document();
    const EditorCanvasSettings& settings = view_.settings();
    const bool toolMade = EditorCanvasSettings::annotationTools().contains(settings.tool());
    const double spacing = 1.0 / view_.transform().zoom;
    const QRectF box(std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::abs(b.x() - a.x()),
                     std::abs(b.y() - a.y()));
    Annotation made = blank(kind);
    if (isBracket(kind)) {
        const bool vertical = std::abs(b.x() - a.x()) <= std::abs(b.y() - a.y());
        made.start = a;
        made.end = vertical ? QPointF(a.x(), b.y()) : QPointF(b.x(), a.y());
        made.fill = false;
        made.rect = box;
        made.rect = geom::standardized(made.bracketPath().boundingRect());
        if (!made.isValid()) return std::nullopt;
        return made;
    }
    if (toolMade && kind == AnnotationKind::magnifier) {
        const double r = distance(a, b);
        if (!(r > 0)) return std::nullopt;
        made.rect = QRectF(a.x() - r, a.y() - r, 2 * r, 2 * r);
        made.start = a;
        made.end = maxCorner(made.rect);
        made.fill = false;
        made.magnification = settings.magnification();
        return made;
    }
    if (toolMade && kind == AnnotationKind::counter) {
        made.fontSize = settings.fontPoints() * settings.pixelScale();
        made.rect = ToolAnnotationFactory::counterRect(b, made.fontSize);
        made.start = made.rect.topLeft();
        made.end = maxCorner(made.rect);
        made.strokeWidth = 3.0;
        made.fill = false;
        made.number = document.nextCounterNumber();
        return made;
    }
    if (toolMade && kind == AnnotationKind::freehand) {
        if (!(distance(a, b) >= spacing)) return std::nullopt;
        made.points = {a, b};
        made.rect = Annotation::bounds(made.points);
        made.start = made.rect.topLeft();
        made.end = maxCorner(made.rect);
        made.fill = false;
        return made;
    }
    if (toolMade) {
        if (!(box.width() > 0) || !(box.height() > 0)) return std::nullopt;
        return settings.toolAnnotation(kind, box, document);
    }
    if (!(distance(a, b) > 0)) return std::nullopt;
    made.rect = box;
    made.start = a;
    made.end = b;
    return made;
}

void DrawGesture::step(const QPointF& a, const QPointF& b) {
    const EditorDocument* document = view_.document();
    const auto kind = view_.settings().drawingKind();
    if (document == nullptr || !kind || *kind == AnnotationKind::text) return;
    CanvasGesture& gesture = view_.gesture();
    // A new annotation starts only inside the image, wherever the drag goes afterwards.
    if (!geom::contains(document->cropRect(), a)) {
        gesture.proposed.reset();
        return;
    }
    const bool toolMade = EditorCanvasSettings::annotationTools().contains(view_.settings().tool());
    if (toolMade && *kind == AnnotationKind::freehand && gesture.proposed &&
        gesture.proposed->kind == AnnotationKind::freehand) {
        gesture.proposed = gesture.proposed->extended(b, 1.0 / view_.transform().zoom);
        return;
    }
    std::optional<Annotation> made = built(*kind, a, b);
    if (*kind == AnnotationKind::erase) {
        if (made)
            made = view_.erasePlacement().checkedErase(made->rect);
        else
            gesture.eraseRefusal.reset();
    }
    if (*kind == AnnotationKind::arrow && view_.settings().arrowCurved() && made) {
        gesture.arrowTrail.push_back(b);
        made = made->arced(gesture.arrowTrail, curvedArrowAmount);
    }
    gesture.proposed = std::move(made);
}

void DrawGesture::textPress(const QPointF& p) {
    const EditorDocument* document = view_.document();
    if (document == nullptr) return;
    const QRectF crop = document->cropRect();
    if (!geom::contains(crop, p)) return;
    Annotation text = blank(AnnotationKind::text);
    // The box hangs right and down from the click, cut at the crop's edges.
    text.rect = QRectF(p.x(), p.y(), std::min(geom::maxX(crop) - p.x(), textBoxWidth),
                       std::min(geom::maxY(crop) - p.y(), textBoxHeight));
    text.start = p;
    text.end = maxCorner(text.rect);
    text.strokeWidth = 3.0;
    text.fill = false;
    text.fontSize = view_.settings().fontPoints() * document->pixelScale();
    view_.gesture().dragAnchor.reset();
    view_.beginTextEditing(text);
}

} // namespace quorvane
