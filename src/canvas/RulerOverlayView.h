#pragma once

#include "canvas/Measurement.h"

#include <QRectF>
#include <QWidget>
#include <functional>
#include <optional>

namespace quorvane {

// One ruler drawn over the canvas: the line with end ticks, dashed legs for a diagonal and the
// label in a pill beside it. It lets the mouse through; the precision tools set its properties.
class RulerOverlayView : public QWidget {
    Q_OBJECT

public:
    explicit RulerOverlayView(QWidget* parent = nullptr);

    std::optional<Measurement> measurement;
    // Image pixels to view points.
    std::function<QPointF(const QPointF&)> toView = [](const QPointF& p) { return p; };
    MeasurementUnit unit = MeasurementUnit::pixels;
    double pixelScale = 1.0;
    std::function<bool()> increaseContrast = [] { return false; };

    // Where a W × H pill goes for the line a → b inside `bounds`: beside the line on the lower
    // (or right) side, on the other side when that leaves the bounds, clamped 4 points inside.
    static QRectF pillRect(const QPointF& a, const QPointF& b, const QSizeF& size, const QRectF& bounds);
    // The pill's label: the system font at 12 points, medium, with digits of one width.
    static QFont pillFont();

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace quorvane
