#pragma once

#include <functional>

namespace quorvane {

// Runs `body` over [0, count) split into contiguous ranges of at least `minPerThread` on up to
// eight threads, the calling thread taking the first range; returns when every range is done.
// Small counts, and a system that refuses threads, run on the calling thread alone: starting a
// thread on a busy machine can cost more than a small job. False when a range ran out of memory.
[[nodiscard]] bool parallelRows(int count, const std::function<void(int begin, int end)>& body,
                                int minPerThread = 64);

} // namespace quorvane
