#pragma once

#include "canvas/ToolGesture.h"

namespace quorvane {

class ArrowGesture;

// The Select tool: the press grabs the selected annotation's bend or resize handle or selects
// the topmost annotation under the pointer, each drag step moves, resizes or bends a copy of what
// was grabbed, and double clicks open a text or straighten an arrow. Handle reaches are view
// units at the press's zoom.
class SelectionGesture : public ToolGesture {
public:
    static constexpr double resizeReach = 8.0;
    static constexpr double hitTolerance = 6.0;

    // The arrow gesture owns the bend handle, which the Select tool grabs too.
    SelectionGesture(EditorCanvasView& view, ArrowGesture& arrows) : ToolGesture(view), arrows_(arrows) {}

    void press(const QPointF& p, int clickCount) override;
    // Rebuilds the proposal from the grabbed annotation; Shift lets a resized image overlay leave
    // its aspect ratio.
    std::optional<Annotation> step(const QPointF& a, const QPointF& b,
                                   const std::optional<Annotation>& proposed,
                                   Qt::KeyboardModifiers modifiers) override;
    // A moved or resized erase box is tested again where it now lies.
    std::optional<Annotation> release(const std::optional<Annotation>& proposed) override;
    // The topmost annotation at `p` inside the crop, within the hit tolerance at `zoom`.
    std::optional<Annotation> hit(const QPointF& p, double zoom) const;

private:
    ArrowGesture& arrows_;
};

} // namespace quorvane
