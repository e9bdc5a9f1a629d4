#pragma once

#include <QRectF>

namespace quorvane {

// One screen as the pins see it, in global points (top-left origin).
struct PinScreen {
    QRectF frame;
    // The part that panels and docks leave free.
    QRectF visibleFrame;
    // Device pixels per point.
    double scale = 1;

    bool operator==(const PinScreen&) const = default;
};

} // namespace quorvane
