#pragma once

#include "canvas/MeasurementUnit.h"

#include <QPointF>
#include <QString>

namespace quorvane {

// One ruler segment in base-image pixels.
struct Measurement {
    QPointF start;
    QPointF end;

    bool operator==(const Measurement& other) const {
        return start.x() == other.start.x() && start.y() == other.start.y() && end.x() == other.end.x() &&
               end.y() == other.end.y();
    }

    // "100 px", or "3 × 4 · 5 px" for a diagonal; points divide by a positive, finite scale.
    QString label(MeasurementUnit unit, double pixelScale) const;
    // The manual ruler's segment for a drag, on whole pixels; `constrain` snaps to 0°, 45°, 90°.
    static Measurement between(const QPointF& a, const QPointF& b, bool constrain);
};

} // namespace quorvane
