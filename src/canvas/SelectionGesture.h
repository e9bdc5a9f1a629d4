#pragma once

#include "document/Annotation.h"

#include <QPointF>

namespace quorvane {

class EditorCanvasView;

// Picking and editing an existing annotation with the mouse: the press grabs the selected
// annotation's bend or resize handle or selects the topmost annotation under the pointer, each
// drag step moves, resizes or bends a copy of what was grabbed, and double clicks open a text or
// straighten an arrow. Points are base-image pixels; handle reaches are view units at the press's
// zoom. GUI thread.
class SelectionGesture {
public:
    static constexpr double bendReach = 11.0;
    static constexpr double resizeReach = 8.0;
    static constexpr double hitTolerance = 6.0;

    explicit SelectionGesture(EditorCanvasView& view) : view_(view) {}

    // Grabs the selected arrow's bend handle at `p`, or straightens the arrow on a double click.
    // False when the press is not on that handle.
    bool bendHandlePress(const QPointF& p, int clickCount);
    // The Select tool's press at `p`.
    void selectPress(const QPointF& p, int clickCount);
    // Rebuilds the proposed annotation from the grabbed one, for a drag from `a` to `b`; `free`
    // lets a resized image overlay leave its aspect ratio.
    void editStep(const QPointF& a, const QPointF& b, bool free);
    // The topmost annotation at `p` inside the crop, within the hit tolerance at `zoom`.
    std::optional<Annotation> hit(const QPointF& p, double zoom) const;

private:
    void straighten(const Annotation& arrow);

    EditorCanvasView& view_;
};

} // namespace quorvane
