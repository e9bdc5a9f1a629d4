#pragma once

// Smart selection: the bounding box of the plain area under a click, traced as the 4-connected
// region of pixels within a tolerance of the clicked colour, and kept only when it is a usable
// selection with a crisp edge on every inner side.

#include "imaging/EdgeGrid.h"

#include <QPointF>
#include <QRectF>
#include <chrono>
#include <functional>

namespace quorvane::SmartSelection {

struct Outcome {
    enum class Case { region, touchesEveryEdge, noClearEdge, tooSmall, tooLarge, unavailable };

    Case kind = Case::unavailable;
    QRectF box; // grid pixels; region only

    bool operator==(const Outcome& other) const {
        return kind == other.kind && box.x() == other.box.x() && box.y() == other.box.y() &&
               box.width() == other.box.width() && box.height() == other.box.height();
    }
};

using Clock = std::function<std::chrono::steady_clock::time_point()>;

// `point` in grid pixels (fractions dropped); `tolerance` per channel, inclusive; the trace
// stops with tooLarge past `maxPixels` or once `timeLimit` has passed on `now`, which is read
// every 128 runs only.
Outcome region(const EdgeGrid& grid, QPointF point, int tolerance, long long maxPixels,
               std::chrono::steady_clock::duration timeLimit,
               const Clock& now = std::chrono::steady_clock::now);

} // namespace quorvane::SmartSelection
