#pragma once

#include "canvas/ToolGesture.h"

namespace quorvane {

// The Rectangle, Oval, Redact, Blur and Pixelate tools: a drag spans the shape from the press to
// the pointer.
class ShapeGesture : public ToolGesture {
public:
    using ToolGesture::ToolGesture;

    std::optional<Annotation> step(const QPointF& a, const QPointF& b,
                                   const std::optional<Annotation>& proposed,
                                   Qt::KeyboardModifiers modifiers) override;
};

} // namespace quorvane
