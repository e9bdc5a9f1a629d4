#pragma once

#include "canvas/ToolGesture.h"

namespace quorvane {

// The Counter tool: the next number, centred on the pointer, at the current text size.
class CounterGesture : public ToolGesture {
public:
    using ToolGesture::ToolGesture;

    std::optional<Annotation> step(const QPointF& a, const QPointF& b,
                                   const std::optional<Annotation>& proposed,
                                   Qt::KeyboardModifiers modifiers) override;
};

} // namespace quorvane
