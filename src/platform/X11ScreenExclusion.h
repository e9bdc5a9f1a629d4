#pragma once

// Takes top-level windows out of what the screen shows for the length of a grab and puts them
// back exactly as they were. Windows are redirected off screen (Composite), which neither the
// window manager nor the application notices, so stacking, focus and position stay untouched;
// where another client (a compositing manager) owns that redirection, it is asked to draw them
// fully transparent (_NET_WM_WINDOW_OPACITY) and to draw them as before afterwards; without
// Composite, they are moved outside the root window and moved back.

#include "platform/X11CaptureConnection.h"
#include "platform/X11ScreenTargets.h"

#include <QPoint>
#include <cstdint>
#include <optional>
#include <vector>

namespace quorvane {

class X11ScreenExclusion {
public:
    // Returns once the server has taken the windows off the screen.
    X11ScreenExclusion(X11CaptureConnection& connection, const std::vector<X11Window>& topLevels);
    // Puts them back.
    ~X11ScreenExclusion();
    X11ScreenExclusion(const X11ScreenExclusion&) = delete;
    X11ScreenExclusion& operator=(const X11ScreenExclusion&) = delete;

    // The sequence number from which what the server reports happened after the windows were
    // taken out (see X11CaptureConnection::settle()).
    std::uint32_t settled() const { return settled_; }
    // Puts them back now; the sequence number from which what is reported happened after that.
    std::uint32_t restore();

private:
    enum class Way { redirected, faded, moved };
    struct Hidden {
        std::uint32_t topLevel;
        std::uint32_t client;
        Way way;
        QPoint position;
        // The opacities a faded window had, none when it had none.
        std::optional<std::uint32_t> topLevelOpacity;
        std::optional<std::uint32_t> clientOpacity;
    };

    std::optional<std::uint32_t> opacity(std::uint32_t window);

    X11CaptureConnection& connection_;
    std::vector<Hidden> hidden_;
    std::uint32_t settled_ = 0;
    std::uint32_t opacity_ = 0;
};

} // namespace quorvane
