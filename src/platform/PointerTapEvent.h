#pragma once

#include <QPoint>

namespace quorvane {

// What the pointer tap reports.
struct PointerTapEvent {
    enum class Kind { leftDown, leftDrag, leftUp, rightDown, escape };
    Kind kind = Kind::escape;
    // Root pixels.
    QPoint position;

    bool operator==(const PointerTapEvent&) const = default;
};

} // namespace quorvane
