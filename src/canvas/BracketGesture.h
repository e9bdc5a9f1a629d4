#pragma once

#include "canvas/ToolGesture.h"

namespace quorvane {

// The Bracket tool: a drag lays the chosen bracket along the larger of its two extents, so it
// snaps vertical or horizontal; equal extents make it vertical.
class BracketGesture : public ToolGesture {
public:
    using ToolGesture::ToolGesture;

    std::optional<Annotation> step(const QPointF& a, const QPointF& b,
                                   const std::optional<Annotation>& proposed,
                                   Qt::KeyboardModifiers modifiers) override;
};

} // namespace quorvane
