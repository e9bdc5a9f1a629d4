#pragma once

#include "scrolling/DragScrollDisplay.h"

#include <QRectF>
#include <optional>

namespace quorvane {

// Draws the hint, or the selection with its size, above everything on one display.
class DragSelectionPresenting {
public:
    virtual ~DragSelectionPresenting() = default;
    virtual void show(const std::optional<QRectF>& selection, const DragScrollDisplay& display) = 0;
    virtual void hide() = 0;
};

} // namespace quorvane
