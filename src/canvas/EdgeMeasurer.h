#pragma once

#include "canvas/Measurement.h"
#include "imaging/EdgeGrid.h"

#include <optional>

namespace quorvane {

// Finds the run of same-coloured pixels through a point: the hover rulers' edge-to-edge spans.
class EdgeMeasurer {
public:
    enum class Axis { horizontal, vertical };

    // The span through `point` (image pixels) along `axis`, as pixel edges through pixel
    // centres; none outside the image or when the whole row or column is one colour. A byte
    // difference of exactly `tolerance` still counts as the same colour.
    static std::optional<Measurement> span(const EdgeGrid& grid, const QPointF& point, Axis axis,
                                           int tolerance);
};

} // namespace quorvane
