#pragma once

#include "scrolling/AutoScrollDirection.h"

#include <QString>

namespace quorvane {

// The edge zone of a display the pointer is held in while dragging.
enum class DragScrollEdge { bottom, top };

inline QString rawValue(DragScrollEdge edge) {
    return edge == DragScrollEdge::bottom ? QStringLiteral("bottom") : QStringLiteral("top");
}

// Holding the pointer at the bottom scrolls down, at the top up.
inline AutoScrollDirection directionOf(DragScrollEdge edge) {
    return edge == DragScrollEdge::top ? AutoScrollDirection::up : AutoScrollDirection::down;
}

} // namespace quorvane
