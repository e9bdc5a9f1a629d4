#include "scrolling/DragScrollTracker.h"

#include "core/Geometry.h"
#include "imaging/CaptureGeometry.h"
#include "scrolling/DragScrollGeometry.h"

#include <algorithm>

namespace quorvane {
namespace {

bool samePoint(const std::optional<QPointF>& a, const std::optional<QPointF>& b) {
    return a.has_value() == b.has_value() && (!a || (a->x() == b->x() && a->y() == b->y()));
}
bool sameRect(const std::optional<QRectF>& a, const std::optional<QRectF>& b) {
    return a.has_value() == b.has_value() && (!a || geom::exactlyEqual(*a, *b));
}

QPointF clamped(const QPointF& p, const QRectF& frame) {
    return QPointF(std::clamp(p.x(), geom::minX(frame), geom::maxX(frame)),
                   std::clamp(p.y(), geom::minY(frame), geom::maxY(frame)));
}

const DragScrollDisplay* displayAt(const std::vector<DragScrollDisplay>& displays, const QPointF& p) {
    const auto it = std::find_if(displays.begin(), displays.end(),
                                 [&](const DragScrollDisplay& d) { return geom::contains(d.frame, p); });
    return it != displays.end() ? &*it : nullptr;
}

} // namespace

bool DragScrollTracker::Effect::operator==(const Effect& other) const {
    return kind == other.kind && geom::exactlyEqual(rect, other.rect) && edge == other.edge;
}

bool DragScrollTracker::operator==(const DragScrollTracker& other) const {
    return displays == other.displays && display == other.display && phase == other.phase &&
           samePoint(anchor, other.anchor) && samePoint(pointer, other.pointer) &&
           sameRect(selection, other.selection) && sameRect(region, other.region);
}

DragScrollTracker DragScrollTracker::make(std::vector<DragScrollDisplay> displays, const QPointF& start) {
    DragScrollTracker tracker;
    if (const DragScrollDisplay* at = displayAt(displays, start))
        tracker.display = *at;
    else if (!displays.empty())
        tracker.display = displays.front();
    tracker.displays = std::move(displays);
    return tracker;
}

DragScrollTracker::Effect DragScrollTracker::handle(const DragScrollEvent& event) {
    using Kind = DragScrollEvent::Kind;
    using P = Phase::Kind;
    if (phase.isFinal()) return Effect::of(Effect::Kind::none);
    if (event.kind == Kind::cancel) {
        phase = Phase::of(P::cancelled);
        return Effect::of(Effect::Kind::cancel);
    }
    const QPointF p = event.point;
    switch (phase.kind) {
    case P::waiting:
    case P::selecting:
        if (event.kind == Kind::down) {
            if (const DragScrollDisplay* at = displayAt(displays, p)) display = *at;
            anchor = clamped(p, display.frame);
            pointer = p;
            selection.reset();
            phase = Phase::of(P::selecting);
            return Effect::of(Effect::Kind::redraw);
        }
        if (phase.kind == P::waiting || !anchor) return Effect::of(Effect::Kind::none);
        pointer = p;
        if (event.kind == Kind::drag) {
            const QPointF q = clamped(p, display.frame);
            selection = CaptureGeometry::normalizedSelection(*anchor, q, display.frame);
            if (const auto zone = DragScrollGeometry::edge(p, display.frame))
                if (const auto locked = DragScrollGeometry::lockedRegion(*anchor, q, *zone, display)) {
                    region = selection = *locked;
                    phase = Phase::scrolling(*zone);
                    return Effect::lock(*locked, *zone);
                }
            return Effect::of(Effect::Kind::redraw);
        }
        if (const auto rect =
                CaptureGeometry::normalizedSelection(*anchor, clamped(p, display.frame), display.frame);
            rect && rect->width() * display.scale >= 4 && rect->height() * display.scale >= 4) {
            selection = *rect;
            phase = Phase::of(P::finished);
            return Effect::select(*rect);
        }
        anchor.reset();
        selection.reset();
        phase = Phase::of(P::waiting);
        return Effect::of(Effect::Kind::redraw);
    case P::scrolling:
        if (event.kind == Kind::down) return Effect::of(Effect::Kind::none);
        pointer = p;
        if (event.kind == Kind::up) {
            phase = Phase::of(P::finished);
            return Effect::of(Effect::Kind::finish);
        }
        if (const auto zone = DragScrollGeometry::edge(p, display.frame); zone != phase.edge) {
            phase = Phase::scrolling(zone);
            return Effect::zone(zone);
        }
        return Effect::of(Effect::Kind::none);
    case P::finished:
    case P::cancelled:
        break;
    }
    return Effect::of(Effect::Kind::none);
}

} // namespace quorvane
