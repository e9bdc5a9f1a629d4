#pragma once

#include "canvas/ToolGesture.h"

#include <vector>

namespace quorvane {

// The Arrow tool: a drag draws an arrow from the press to the pointer, bowed toward the path the
// pointer took when the curved style is on. The selected arrow's round bend handle belongs here
// too: a drag on it bends the arrow through the pointer, a double click on it straightens it.
class ArrowGesture : public ToolGesture {
public:
    // View units from the handle that still grab it, at the press's zoom.
    static constexpr double bendReach = 11.0;

    using ToolGesture::ToolGesture;

    void press(const QPointF& p, int clickCount) override;
    std::optional<Annotation> step(const QPointF& a, const QPointF& b,
                                   const std::optional<Annotation>& proposed,
                                   Qt::KeyboardModifiers modifiers) override;

    // Grabs the selected arrow's bend handle at `p`, or straightens the arrow on a double click.
    // False when the press is not on that handle.
    bool pressBendHandle(const QPointF& p, int clickCount);
    // The grabbed arrow bent through `b`.
    std::optional<Annotation> bendStep(const QPointF& b) const;

private:
    void straighten(const Annotation& arrow);

    // Where the pointer went during this drag; a curved arrow bows toward it.
    std::vector<QPointF> trail_;
};

} // namespace quorvane
