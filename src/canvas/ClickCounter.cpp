#include "canvas/ClickCounter.h"

#include <cmath>

namespace quorvane {

int ClickCounter::press(const QPointF& position, quint64 timestamp, int intervalMs, double distance) {
    int count = 1;
    if (last_ && timestamp >= last_->timestamp &&
        timestamp - last_->timestamp <= quint64(std::max(intervalMs, 0))) {
        const QPointF moved = position - last_->position;
        // A NaN distance never continues a series.
        if (std::hypot(moved.x(), moved.y()) <= distance) count = last_->count + 1;
    }
    last_ = Press{position, timestamp, count};
    return count;
}

} // namespace quorvane
