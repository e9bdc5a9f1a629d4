#pragma once

#include "canvas/ToolGesture.h"

namespace quorvane {

// The Magnifier tool: a drag grows the loupe's circle around the press.
class MagnifierGesture : public ToolGesture {
public:
    using ToolGesture::ToolGesture;

    std::optional<Annotation> step(const QPointF& a, const QPointF& b,
                                   const std::optional<Annotation>& proposed,
                                   Qt::KeyboardModifiers modifiers) override;
};

} // namespace quorvane
