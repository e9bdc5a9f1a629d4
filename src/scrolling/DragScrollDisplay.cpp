#include "scrolling/DragScrollDisplay.h"

#include "core/Geometry.h"

#include <QScreen>

namespace quorvane {

bool DragScrollDisplay::operator==(const DragScrollDisplay& other) const {
    return id == other.id && geom::exactlyEqual(frame, other.frame) &&
           geom::exactlyEqual(usable, other.usable) && scale == other.scale;
}

std::vector<DragScrollDisplay> DragScrollDisplay::all(const ShareableContent& content) {
    std::vector<DragScrollDisplay> displays;
    for (const CaptureDisplay& display : content.displays) {
        QRectF usable = display.frame;
        if (const QScreen* screen = screenForDisplay(display)) usable = QRectF(screen->availableGeometry());
        displays.push_back(DragScrollDisplay{display.displayID, display.frame, usable, display.scale});
    }
    return displays;
}

} // namespace quorvane
