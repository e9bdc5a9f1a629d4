#include "capture/CaptureTargets.h"

#include "core/Geometry.h"

#include <algorithm>

namespace quorvane::CaptureTargets {

std::vector<CaptureWindow> capturableWindows(const ShareableContent& content, ProcessID ownProcess) {
    std::vector<CaptureWindow> windows;
    for (const CaptureWindow& window : content.windows) {
        const bool own = window.owningApplication && window.owningApplication->processID == ownProcess;
        if (window.layer == 0 && geom::width(window.frame) > 1 && geom::height(window.frame) > 1 && !own)
            windows.push_back(window);
    }
    return windows;
}

WindowID keptSelection(const std::vector<CaptureWindow>& windows, WindowID selected) {
    const bool listed = std::any_of(windows.begin(), windows.end(),
                                    [selected](const CaptureWindow& w) { return w.windowID == selected; });
    if (listed) return selected;
    return windows.empty() ? 0 : windows.front().windowID;
}

const CaptureDisplay* displayAt(const ShareableContent& content, const QPointF& point) {
    for (const CaptureDisplay& display : content.displays)
        if (geom::contains(display.frame, point)) return &display;
    return content.mainDisplay();
}

} // namespace quorvane::CaptureTargets
