#include "canvas/SelectionGesture.h"

#include "canvas/EditorCanvasSettings.h"
#include "canvas/EditorCanvasView.h"
#include "core/Geometry.h"
#include "document/EditorDocument.h"

#include <cmath>

namespace quorvane {
namespace {

double distance(const QPointF& a, const QPointF& b) {
    return std::hypot(b.x() - a.x(), b.y() - a.y());
}

// At least one pixel; a difference that is not a number counts as none.
double sideOf(double difference) {
    return std::isnan(difference) ? 1.0 : std::max(difference, 1.0);
}

} // namespace

bool SelectionGesture::bendHandlePress(const QPointF& p, int clickCount) {
    const auto arrow = view_.selectedAnnotation();
    if (!arrow || arrow->kind != AnnotationKind::arrow) return false;
    if (!(distance(p, arrow->arrowMidpoint()) <= bendReach / view_.transform().zoom)) return false;
    CanvasGesture& gesture = view_.gesture();
    if (clickCount == 2) {
        straighten(*arrow);
        gesture.dragAnchor.reset();
        return true;
    }
    gesture.originalAnnotation = arrow;
    view_.settings().select(arrow);
    gesture.bending = true;
    return true;
}

void SelectionGesture::selectPress(const QPointF& p, int clickCount) {
    if (bendHandlePress(p, clickCount)) return;
    CanvasGesture& gesture = view_.gesture();
    const double zoom = view_.transform().zoom;
    // The handle wins over anything drawn above it.
    if (const auto selected = view_.selectedAnnotation()) {
        const QPointF corner(geom::maxX(selected->rect), geom::maxY(selected->rect));
        if (distance(p, corner) <= resizeReach / zoom) {
            gesture.originalAnnotation = selected;
            view_.settings().select(selected);
            gesture.resizing = true;
            return;
        }
    }
    const std::optional<Annotation> found = hit(p, zoom);
    gesture.originalAnnotation = found;
    view_.settings().select(found);
    gesture.resizing = false;
    if (clickCount == 2 && found && found->kind == AnnotationKind::text) {
        gesture.originalAnnotation.reset();
        gesture.dragAnchor.reset();
        view_.beginTextEditing(*found);
    }
}

std::optional<Annotation> SelectionGesture::hit(const QPointF& p, double zoom) const {
    const EditorDocument* document = view_.document();
    if (document == nullptr || !geom::contains(document->cropRect(), p)) return std::nullopt;
    const auto& list = document->annotations();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if (it->hitTest(p, hitTolerance / zoom)) return *it;
    return std::nullopt;
}

void SelectionGesture::editStep(const QPointF& a, const QPointF& b, bool free) {
    CanvasGesture& gesture = view_.gesture();
    if (!gesture.originalAnnotation) return;
    const Annotation& o = *gesture.originalAnnotation;
    if (gesture.bending) {
        gesture.proposed = o.bent(b);
    } else if (gesture.resizing) {
        const QSizeF asked(sideOf(b.x() - geom::minX(o.rect)), sideOf(b.y() - geom::minY(o.rect)));
        gesture.proposed = o.resized(o.resizeTarget(asked, free));
    } else {
        double dx = b.x() - a.x(), dy = b.y() - a.y();
        // Overlays stay on whole pixels so that they are never resampled.
        if (o.kind == AnnotationKind::image) {
            dx = geom::roundHalfAway(dx);
            dy = geom::roundHalfAway(dy);
        }
        gesture.proposed = o.translated(dx, dy);
    }
}

void SelectionGesture::straighten(const Annotation& arrow) {
    EditorDocument* document = view_.document();
    if (!arrow.bend || document == nullptr) return;
    Annotation straight = arrow;
    straight.bend.reset();
    straight.rect =
        QRectF(std::min(arrow.start.x(), arrow.end.x()), std::min(arrow.start.y(), arrow.end.y()),
               std::abs(arrow.end.x() - arrow.start.x()), std::abs(arrow.end.y() - arrow.start.y()));
    document->updateAnnotation(straight);
    view_.settings().announce(QStringLiteral("Arrow straightened"));
}

} // namespace quorvane
