#include "canvas/SelectionGesture.h"

#include "canvas/ArrowGesture.h"
#include "canvas/EditorCanvasSettings.h"
#include "canvas/EditorCanvasView.h"
#include "canvas/ErasePlacement.h"
#include "core/Geometry.h"
#include "document/EditorDocument.h"

#include <cmath>

namespace quorvane {
namespace {

// At least one pixel; a difference that is not a number counts as none.
double sideOf(double difference) {
    return std::isnan(difference) ? 1.0 : std::max(difference, 1.0);
}

} // namespace

void SelectionGesture::press(const QPointF& p, int clickCount) {
    if (arrows_.pressBendHandle(p, clickCount)) return;
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

std::optional<Annotation> SelectionGesture::step(const QPointF& a, const QPointF& b,
                                                 const std::optional<Annotation>& proposed,
                                                 Qt::KeyboardModifiers modifiers) {
    const CanvasGesture& gesture = view_.gesture();
    if (!gesture.originalAnnotation) return proposed;
    const Annotation& o = *gesture.originalAnnotation;
    if (gesture.bending) return arrows_.bendStep(b);
    if (gesture.resizing) {
        const QSizeF asked(sideOf(b.x() - geom::minX(o.rect)), sideOf(b.y() - geom::minY(o.rect)));
        return o.resized(o.resizeTarget(asked, modifiers.testFlag(Qt::ShiftModifier)));
    }
    double dx = b.x() - a.x(), dy = b.y() - a.y();
    // Overlays stay on whole pixels so that they are never resampled.
    if (o.kind == AnnotationKind::image) {
        dx = geom::roundHalfAway(dx);
        dy = geom::roundHalfAway(dy);
    }
    return o.translated(dx, dy);
}

std::optional<Annotation> SelectionGesture::release(const std::optional<Annotation>& proposed) {
    const std::optional<Annotation>& original = view_.gesture().originalAnnotation;
    if (proposed && original && original->kind == AnnotationKind::erase &&
        !geom::exactlyEqual(proposed->rect, original->rect))
        return view_.erasePlacement().revalidatedErase(*proposed);
    return proposed;
}

} // namespace quorvane
