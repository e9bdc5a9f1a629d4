#pragma once

// A covered window's whole content, for one read. A window that is covered or reaches off
// screen is redirected off screen (Composite) for this read only, so that the server keeps all
// of it; the application then paints it anew, and `painted()` tells when it has. Where a
// compositing manager runs, every window already is off screen and nothing is redirected. The
// redirection, and the memory of its copy, end with the object.

#include "platform/X11CaptureConnection.h"
#include "platform/X11DamageWatch.h"
#include "platform/X11ScreenTargets.h"

#include <QRegion>
#include <cstdint>
#include <memory>

namespace quorvane {

class X11WindowContents {
public:
    X11WindowContents(X11CaptureConnection& connection, const X11Window& window);
    ~X11WindowContents();
    X11WindowContents(const X11WindowContents&) = delete;
    X11WindowContents& operator=(const X11WindowContents&) = delete;

    // Whether this object redirected the window.
    bool redirected() const { return redirected_; }
    // Whether the whole window has been painted since it was redirected (at once when it was
    // not). Never waits.
    bool painted();

private:
    // What of the window the screen does not show (the window's coordinates); empty where a
    // compositing manager keeps every window whole.
    QRegion unseen(const X11Window& window);

    X11CaptureConnection& connection_;
    std::uint32_t window_ = 0;
    // Painted anew by the application once the window is redirected.
    QRegion unseen_;
    bool redirected_ = false;
    std::unique_ptr<X11DamageWatch> repaint_;
};

} // namespace quorvane
