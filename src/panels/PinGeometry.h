#pragma once

// Where a new pin opens and how large: the screen it belongs to, its size within 60 % of the
// screen's free area, and its frame kept inside that area. Global points, top-left origin.

#include "panels/PinScreen.h"

#include <QRectF>
#include <QSizeF>
#include <optional>
#include <vector>

namespace quorvane::PinGeometry {

// With a rectangle: the screen it overlaps most, else the one whose centre is nearest (the
// earlier screen wins ties); with no screens, `main`. Without one: `main`, else the first.
std::optional<PinScreen> screen(const std::optional<QRectF>& rect, const std::vector<PinScreen>& screens,
                                const std::optional<PinScreen>& main);
// The image's size in points at `scale` (at least 1), shrunk to fit 60 % of `visible` each way;
// (0, 0) for an image without area.
QSizeF fittedSize(const QSizeF& pixels, double scale, const QRectF& visible);
// `frame` moved inside `visible`; a frame larger than it is left- or top-aligned with it.
QRectF clamp(const QRectF& frame, const QRectF& visible);

} // namespace quorvane::PinGeometry
