#include "scrolling/SystemScrollTargetProbe.h"

#include "scrolling/NativePoints.h"

#include <algorithm>

namespace quorvane {

SystemScrollTargetProbe::SystemScrollTargetProbe(X11InputConnection& connection,
                                                 std::function<std::vector<std::uint32_t>()> ownWindows)
    : connection_(connection), ownWindows_(std::move(ownWindows)) {}

std::optional<ScrollTarget> SystemScrollTargetProbe::target(const QPointF& point) {
    return topmost(X11StackedWindow::frontToBack(connection_), NativePoints::toNative(point),
                   ownWindows_ ? ownWindows_() : std::vector<std::uint32_t>{});
}

std::optional<ScrollTarget> SystemScrollTargetProbe::topmost(const std::vector<X11StackedWindow>& windows,
                                                             QPoint pixel,
                                                             const std::vector<std::uint32_t>& excluded) {
    // Docks, menus and everything above them stand at layer 1 and up.
    constexpr int menuLayer = 1;
    for (const X11StackedWindow& window : windows) {
        if (window.window == 0 ||
            std::find(excluded.begin(), excluded.end(), window.window) != excluded.end())
            continue;
        if (window.layer < 0 || window.layer >= menuLayer) continue;
        if (window.alpha && !(*window.alpha > 0)) continue;
        if (!window.bounds || !window.bounds->contains(pixel)) continue;
        return ScrollTarget{window.window, window.processID.value_or(0)};
    }
    return std::nullopt;
}

} // namespace quorvane
