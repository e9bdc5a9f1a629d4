#pragma once

#include "scrolling/DragScrollDisplay.h"
#include "scrolling/DragScrollEdge.h"

#include <QPointF>
#include <QRectF>
#include <optional>

namespace quorvane::DragScrollGeometry {

// How deep the edge zones reach into the display.
inline constexpr double zoneDepth = 6;
// The smallest region, in points on each side, that may be locked.
inline constexpr double minimumRegionSide = 64;

// The zone `point` is in: bottom first, then top; none for non-finite points or frames without area.
std::optional<DragScrollEdge> edge(const QPointF& point, const QRectF& frame);

// The region a drag locks: from the anchor to the pointer across, from the anchor to the usable
// area's far edge in the edge's direction down or up, on whole backing pixels; none when it would be
// under 64 points on a side.
std::optional<QRectF> lockedRegion(const QPointF& anchor, const QPointF& pointer, DragScrollEdge edge,
                                   const DragScrollDisplay& display);

} // namespace quorvane::DragScrollGeometry
