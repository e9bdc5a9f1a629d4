#pragma once

// Monitors and windows as the X server, RandR and the window manager describe them, in the
// root window's pixels.

#include "core/Result.h"
#include "platform/X11CaptureConnection.h"

#include <QRect>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace quorvane {

struct X11Monitor {
    // The monitor's name atom (RandR 1.5), or its output's name interned (RandR 1.2).
    std::uint32_t id = 0;
    QString name;
    QRect geometry;
    bool primary = false;

    bool operator==(const X11Monitor&) const = default;
};

struct X11Window {
    // The window's ancestor among the root's children: a frame of the window manager, or the
    // window itself.
    std::uint32_t topLevel = 0;
    // The application's own window.
    std::uint32_t client = 0;
    // The client's area, root coordinates.
    QRect geometry;
    // The top level's area including its border, root coordinates.
    QRect topLevelGeometry;
    int topLevelBorder = 0;
    std::int64_t processID = 0;
    QString title;
    QString applicationName;
    bool overrideRedirect = false;
    // 0 ordinary, -1 desktop, 1 dock.
    int layer = 0;
    int depth = 0;
};

namespace X11ScreenTargets {

// Active monitors; the whole root window as one monitor when RandR offers none.
Result<std::vector<X11Monitor>, X11CaptureError> monitors(X11CaptureConnection& connection);

// Every viewable child of the root, bottom to top, with the client window inside it.
Result<std::vector<X11Window>, X11CaptureError> topLevels(X11CaptureConnection& connection);

// Viewable application windows, front to back: the window manager's client list, or without
// one the viewable top levels that are not override-redirect. `topLevel` is left 0.
Result<std::vector<X11Window>, X11CaptureError> applicationWindows(X11CaptureConnection& connection);

// Geometry (root coordinates), depth and top level of a viewable window; none when it is gone or
// not viewable.
std::optional<X11Window> viewableWindow(X11CaptureConnection& connection, std::uint32_t window);

} // namespace X11ScreenTargets
} // namespace quorvane
