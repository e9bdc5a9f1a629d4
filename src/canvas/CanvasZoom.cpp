#include "canvas/CanvasZoom.h"

#include "canvas/EditorCanvasSettings.h"
#include "canvas/EditorCanvasView.h"
#include "core/Geometry.h"

#include <algorithm>
#include <cmath>

namespace quorvane {

void CanvasZoom::zoomBy(double factor) {
    const double zoom = factor * view_.backingScale() * view_.transform().zoom;
    if (!std::isfinite(zoom) || !(zoom > 0)) return;
    view_.cancelActiveDrag();
    EditorCanvasSettings& settings = view_.settings();
    const auto hold = settings.holdChanges();
    settings.viewport().setFit(false);
    settings.viewport().setZoomFraction(std::clamp(zoom, minimumZoom, maximumZoom));
    view_.refresh();
}

void CanvasZoom::scroll(const QPointF& pixelDelta, const QPointF& angleDelta) {
    const QPointF delta = !pixelDelta.isNull() ? pixelDelta : angleDelta / 120.0 * pointsPerNotch;
    const QPointF pan = view_.settings().viewport().pan() + delta;
    if (!geom::isFinite(pan)) return;
    view_.cancelActiveDrag();
    view_.settings().viewport().setPan(pan);
    view_.refresh();
}

void CanvasZoom::magnify(double magnification, const QPointF& at) {
    const CanvasTransform t = view_.transform();
    if (!std::isfinite(t.zoom) || !(t.zoom > 0) || !std::isfinite(magnification) || !geom::isFinite(at))
        return;
    const QPointF image = t.imagePoint(at);
    const double zoom =
        std::clamp(t.zoom * view_.backingScale() * (1 + magnification), minimumZoom, maximumZoom);
    if (!std::isfinite(zoom) || !geom::isFinite(image)) return;
    view_.cancelActiveDrag();
    EditorCanvasSettings& settings = view_.settings();
    const auto hold = settings.holdChanges();
    settings.viewport().setFit(false);
    settings.viewport().setZoomFraction(zoom);
    const CanvasTransform t2 = view_.transform();
    const QPointF origin = t2.imageRect().topLeft();
    const QPointF pan = settings.viewport().pan() + at - (image * t2.zoom + origin);
    if (geom::isFinite(pan)) settings.viewport().setPan(pan);
    view_.refresh();
}

} // namespace quorvane
