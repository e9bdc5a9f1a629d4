#pragma once

#include <QPointF>
#include <QRectF>
#include <optional>

namespace quorvane {

// What the mouse asks of the Color and Ruler tools. The canvas starts with this quiet version,
// which measures and samples nothing; the precision tools install theirs on the view. Points are
// view points unless named canvas points (image pixels relative to the crop). GUI thread.
class PrecisionToolInput {
public:
    virtual ~PrecisionToolInput() = default;

    // The pointer moved with no button held, to view point `at`; and it left the view.
    virtual void hover(const QPointF& at) { (void)at; }
    virtual void exited() {}
    // Shows, hides and places the loupe and the rulers for the current tool and pointer.
    virtual void configure() {}
    // The area a Color drag covers, in canvas pixels; none while the drag is too short.
    virtual std::optional<QRectF> colorArea(const QPointF& from, const QPointF& to) {
        (void)from;
        (void)to;
        return std::nullopt;
    }
    // Copies the colour of a click, or the average of a dragged area; `rgb` asks for the rgb text.
    virtual void sampleColor(const QPointF& from, const QPointF& to, bool rgb) {
        (void)from;
        (void)to;
        (void)rgb;
    }
    // A Ruler press: the hover rulers and the manual one forget their measurements.
    virtual void clearRulers() {}
    // A Ruler drag: the manual ruler measures from `anchor` to `to` (canvas points), its angle
    // snapped when `constrain`.
    virtual void measure(const QPointF& anchor, const QPointF& to, bool constrain) {
        (void)anchor;
        (void)to;
        (void)constrain;
    }
};

} // namespace quorvane
