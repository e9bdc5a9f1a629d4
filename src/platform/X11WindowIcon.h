#pragma once

#include <QImage>
#include <cstdint>

namespace quorvane {

class X11CaptureConnection;

namespace X11WindowIcon {

// Sides above this are refused before anything is allocated: no icon needs them.
inline constexpr int maxSide = 1024;

// The icon the window's application gives it in _NET_WM_ICON: the smallest one at least `side`
// pixels wide, else the largest; without one, the icon pixmap (and its mask) of its WM_HINTS, as
// older X programs give. Null when it has neither, or they are malformed or unreadable.
QImage read(X11CaptureConnection& connection, std::uint32_t window, int side);

// Picks and decodes from the property's 32-bit words (width, height, pixels, repeated).
QImage decode(const std::uint32_t* words, std::size_t count, int side);

} // namespace X11WindowIcon
} // namespace quorvane
