#pragma once

#include "capture/CaptureService.h"

#include <QRectF>
#include <cstdint>
#include <vector>

namespace quorvane {

// One display a drag selection can happen on, in global points (top-left origin, y down).
struct DragScrollDisplay {
    DisplayID id = 0;
    QRectF frame;
    // The display without panels and docks.
    QRectF usable;
    // Pixels per point.
    double scale = 1;

    bool operator==(const DragScrollDisplay& other) const;

    // One per display of `content`, in its order; the usable area from the screen's available
    // geometry, the whole frame where no screen shows the display.
    static std::vector<DragScrollDisplay> all(const ShareableContent& content);
};

} // namespace quorvane
