#pragma once

#include "canvas/ToolGesture.h"

namespace quorvane {

// The Erase tool: a drag spans a box that may stand only over a plain background. While it may
// not, the box shows as a refusal outline, and the release adds nothing and says why.
class EraseGesture : public ToolGesture {
public:
    using ToolGesture::ToolGesture;

    std::optional<Annotation> step(const QPointF& a, const QPointF& b,
                                   const std::optional<Annotation>& proposed,
                                   Qt::KeyboardModifiers modifiers) override;
    std::optional<Annotation> release(const std::optional<Annotation>& proposed) override;
};

} // namespace quorvane
