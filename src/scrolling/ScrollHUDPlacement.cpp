#include "scrolling/ScrollHUDPlacement.h"

#include <algorithm>

namespace quorvane::ScrollHUDPlacement {

QPointF origin(const QRectF& outline, const QRectF& visible, const QSizeF& panel) {
    const QRectF& o = outline;
    const QRectF& v = visible;
    const double w = panel.width(), h = panel.height();
    const double xMin = v.left() + edgeGap, xMax = v.right() - edgeGap - w;
    const double centred = std::max(xMin, std::min(xMax, o.center().x() - w / 2));
    // Beside the outline, bottom edges level, kept on the display.
    const double besideY = std::min(v.bottom() - edgeGap - h, std::max(v.top() + edgeGap, o.bottom() - h));

    QPointF place;
    if (const double below = o.bottom() + outlineGap; below + h <= v.bottom() - edgeGap)
        place = {centred, below};
    else if (const double above = o.top() - outlineGap - h; above >= v.top() + edgeGap)
        place = {centred, above};
    else if (o.right() + outlineGap <= xMax)
        place = {o.right() + outlineGap, besideY};
    else if (xMin <= o.left() - outlineGap - w)
        place = {o.left() - outlineGap - w, besideY};
    else
        place = {centred, v.bottom() - edgeGap - h};
    // Never past the display's left or bottom edge.
    return {std::max(place.x(), v.left()), std::min(place.y(), v.bottom() - h)};
}

} // namespace quorvane::ScrollHUDPlacement
