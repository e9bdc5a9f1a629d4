#pragma once

#include "canvas/ToolGesture.h"

namespace quorvane {

// The Text tool: a click opens the in-place editor on a new text box hanging from the click;
// dragging draws nothing.
class TextGesture : public ToolGesture {
public:
    using ToolGesture::ToolGesture;

    void press(const QPointF& p, int clickCount) override;
    std::optional<Annotation> step(const QPointF& a, const QPointF& b,
                                   const std::optional<Annotation>& proposed,
                                   Qt::KeyboardModifiers modifiers) override;
};

} // namespace quorvane
