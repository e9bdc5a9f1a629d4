#pragma once

#include <chrono>
#include <cstdint>

namespace quorvane::DragScrollRamp {

// The longer the pointer stays in the edge zone (`dwell` seconds), the larger the steps: 15 % of
// the region height on entry, 40 % after 1.5 s.
std::int32_t step(double regionHeight, double dwell);
// …and the shorter the settle delay: 300 ms on entry, 140 ms after 1.5 s, in whole milliseconds.
std::chrono::milliseconds settle(double dwell);

} // namespace quorvane::DragScrollRamp
