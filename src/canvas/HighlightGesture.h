#pragma once

#include "canvas/ToolGesture.h"

namespace quorvane {

// The Highlight and Spotlight tools: a drag spans the area they emphasise, in the current style;
// an area needs both sides.
class HighlightGesture : public ToolGesture {
public:
    using ToolGesture::ToolGesture;

    std::optional<Annotation> step(const QPointF& a, const QPointF& b,
                                   const std::optional<Annotation>& proposed,
                                   Qt::KeyboardModifiers modifiers) override;
};

} // namespace quorvane
