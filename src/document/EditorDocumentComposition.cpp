// EditorDocument's composition operations: overlays, alignment and opacity.

#include "core/Geometry.h"
#include "document/EditorDocument.h"
#include "document/OverlayBudget.h"
#include "document/SystemColors.h"

#include <algorithm>
#include <cmath>

namespace quorvane {

Result<Annotation, CompositionError> EditorDocument::addOverlay(const QImage& image,
                                                                std::optional<double> pixelScale,
                                                                std::optional<QRectF> centeredIn) {
    const double w = image.width();
    const double h = image.height();
    const QRectF c = crop_;
    if (w < 1 || h < 1 || !std::isfinite(c.width()) || !std::isfinite(c.height()) || c.width() < 1 ||
        c.height() < 1)
        return Failure{CompositionError::unplaceable};

    double scale = 1;
    if (pixelScale && std::isfinite(*pixelScale) && *pixelScale > 0 && std::isfinite(pixelScale_) &&
        pixelScale_ > 0)
        scale = pixelScale_ / *pixelScale;
    const double fit = std::min({scale, c.width() / w, c.height() / h});
    const double ow = std::min(std::max(std::round(fit * w), 1.0), c.width());
    const double oh = std::min(std::max(std::round(fit * h), 1.0), c.height());

    QRectF target = c;
    if (centeredIn) {
        const QRectF placement = centeredIn->normalized();
        const QRectF meet = placement.intersected(c);
        // Qt's intersection is empty for both a disjoint and a degenerate overlap.
        if (meet.width() > 0 && meet.height() > 0) target = meet;
    }
    double x = std::floor(target.center().x() - ow * 0.5);
    x = std::min(std::max(x, c.left()), c.right() - ow);
    double y = std::floor(target.center().y() - oh * 0.5);
    y = std::min(std::max(y, c.top()), c.bottom() - oh);

    Annotation overlay;
    overlay.id = QUuid::createUuid();
    overlay.kind = AnnotationKind::image;
    overlay.rect = QRectF(x, y, ow, oh);
    overlay.start = overlay.rect.topLeft();
    overlay.end = overlay.rect.bottomRight();
    overlay.color = SystemColors::red();

    auto admitted = OverlayBudget::admit(image);
    if (!admitted) return Failure{admitted.error()};
    overlay.overlay = std::move(admitted.value());

    addAnnotation(overlay);
    if (annotations_->empty() || annotations_->back().id != overlay.id)
        return Failure{CompositionError::unplaceable};
    return annotations_->back();
}

Result<void, EraseCheck::Refusal> EditorDocument::align(const QUuid& id, CanvasAlignment alignment) {
    const Annotation* found = find(id);
    if (found == nullptr) return {};
    Annotation moved = found->aligned(alignment, crop_);
    if (moved.kind == AnnotationKind::erase && !geom::exactlyEqual(moved.rect, found->rect)) {
        auto checked = resampledErase(moved);
        if (!checked) return Failure{checked.error()};
        moved = std::move(checked.value());
    }
    updateAnnotation(moved);
    return {};
}

void EditorDocument::setOpacity(double opacity, const QUuid& id) {
    if (!std::isfinite(opacity)) return;
    const Annotation* found = find(id);
    if (found == nullptr) return;
    Annotation changed = *found;
    changed.opacity = opacity < 0 ? 0 : std::round(std::min(opacity, 1.0) * 100) / 100;
    updateAnnotation(changed);
}

} // namespace quorvane
