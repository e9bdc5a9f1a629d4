#pragma once

// Where the heads-up panel goes beside a scrolling capture's outline: below it, else above, else
// to its right, else to its left (bottom edges level), else over the region at the bottom of the
// display. Global points, top-left origin.

#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace quorvane::ScrollHUDPlacement {

// Space kept from the display's edges, and between the outline and the panel.
inline constexpr double edgeGap = 8;
inline constexpr double outlineGap = 12;

// The panel's top-left for an `outline` on a display whose usable area is `visible`.
QPointF origin(const QRectF& outline, const QRectF& visible, const QSizeF& panel);

} // namespace quorvane::ScrollHUDPlacement
