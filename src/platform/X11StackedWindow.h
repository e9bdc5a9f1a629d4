#pragma once

#include <QRect>
#include <cstdint>
#include <optional>
#include <vector>

namespace quorvane {

class X11InputConnection;

// A mapped application window as the scroll target probe weighs it.
struct X11StackedWindow {
    std::uint32_t window = 0;
    // _NET_WM_PID; none when the window names no process.
    std::optional<std::int64_t> processID;
    // 0 ordinary; below 0 the desktop; 1 and above docks, menus, tooltips and notifications.
    int layer = 0;
    // _NET_WM_WINDOW_OPACITY as 0…1; none when unset.
    std::optional<double> alpha;
    // Root pixels; none when the window vanished while being read.
    std::optional<QRect> bounds;

    bool operator==(const X11StackedWindow&) const = default;

    // Front to back: the window manager's stacking list read from its end, or without a window
    // manager the mapped top-level windows that are not override-redirect.
    static std::vector<X11StackedWindow> frontToBack(X11InputConnection& connection);
};

} // namespace quorvane
