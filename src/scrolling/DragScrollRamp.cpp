#include "scrolling/DragScrollRamp.h"

#include "scrolling/AutoScrollSpeed.h"

#include <algorithm>
#include <cmath>

namespace quorvane::DragScrollRamp {
namespace {

// 0 on entry, 1 from 1.5 s on.
double progress(double dwell) {
    const double t0 = std::isfinite(dwell) && dwell > 0 ? dwell : 0;
    return std::min(t0 / 1.5, 1.0);
}

} // namespace

std::int32_t step(double regionHeight, double dwell) {
    return scrollStep(regionHeight, 0.15 + 0.25 * progress(dwell));
}

std::chrono::milliseconds settle(double dwell) {
    return std::chrono::milliseconds(static_cast<long>(std::round(300 + (140 - 300) * progress(dwell))));
}

} // namespace quorvane::DragScrollRamp
