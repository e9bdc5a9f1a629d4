#pragma once

// Shapes of our own windows, for overlays that must not hide the desktop where no compositor
// blends them.

#include <QRect>
#include <cstdint>
#include <optional>
#include <vector>

namespace quorvane {

class X11InputConnection;

namespace X11WindowShape {

// A compositing manager owns the screen's _NET_WM_CM_S selection.
bool compositorRunning(X11InputConnection& connection);
// Only these rectangles (window pixels) of the window are drawn; an empty list clears the shape.
bool setBounding(X11InputConnection& connection, std::uint32_t window, const std::vector<QRect>& rects);
// The window's drawn rectangles; none when it is not shaped or gone.
std::optional<std::vector<QRect>> bounding(X11InputConnection& connection, std::uint32_t window);
// The rectangles that take input; empty for a click-through window.
std::optional<std::vector<QRect>> input(X11InputConnection& connection, std::uint32_t window);

} // namespace X11WindowShape
} // namespace quorvane
