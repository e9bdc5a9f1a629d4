#pragma once

#include "canvas/ToolGesture.h"

namespace quorvane {

// The Freehand tool: a drag of at least one view unit starts a line of two points, which then
// gathers the pointer's path.
class FreehandGesture : public ToolGesture {
public:
    using ToolGesture::ToolGesture;

    std::optional<Annotation> step(const QPointF& a, const QPointF& b,
                                   const std::optional<Annotation>& proposed,
                                   Qt::KeyboardModifiers modifiers) override;
};

} // namespace quorvane
