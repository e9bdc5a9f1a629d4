#pragma once

#include <QPointF>

namespace quorvane {

class EditorCanvasView;

// Zooming and scrolling the canvas: step zoom from the keys, the wheel's pan and the pinch that
// keeps the image point under the pointer in place. Values that are not finite are ignored.
class CanvasZoom {
public:
    static constexpr double minimumZoom = 0.05;
    static constexpr double maximumZoom = 16.0;
    // X11 wheels report eighths of a degree, 120 a notch; one notch scrolls this many points.
    static constexpr double pointsPerNotch = 10.0;

    explicit CanvasZoom(EditorCanvasView& view) : view_(view) {}

    // Multiplies the shown zoom by `factor`, leaving fit.
    void zoomBy(double factor);
    // Pans by a wheel's deltas: `pixelDelta` in points when the device gives one, else
    // `angleDelta` in eighths of a degree.
    void scroll(const QPointF& pixelDelta, const QPointF& angleDelta);
    // A pinch step of `magnification` (0.1 grows by a tenth) about view point `at`.
    void magnify(double magnification, const QPointF& at);

private:
    EditorCanvasView& view_;
};

} // namespace quorvane
