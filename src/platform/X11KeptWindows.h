#pragma once

// Keeps whole the windows of other applications that lie under ours. The server keeps such a
// window's pixels off screen (automatic Composite redirection) and puts them on screen itself,
// so that when a grab takes our windows away, what lay below shows at once, as it is, without
// waiting for its application to paint it again. A compositing manager keeps every window so
// already: then nothing is done here.

#include "platform/X11CaptureConnection.h"
#include "platform/X11DamageWatch.h"

#include <QElapsedTimer>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace quorvane {

class X11KeptWindows {
public:
    explicit X11KeptWindows(X11CaptureConnection& connection) : connection_(connection) {}
    // Lets every kept window go.
    ~X11KeptWindows();
    X11KeptWindows(const X11KeptWindows&) = delete;
    X11KeptWindows& operator=(const X11KeptWindows&) = delete;

    // Keeps the top levels of other processes that meet `areas` (root pixels: where windows of
    // `ownProcess` are, or are about to be) and lets go of the others.
    void keep(const std::vector<QRect>& areas, std::int64_t ownProcess);
    void releaseAll();

    // What of `topLevel` its application has not painted since it was kept, in the window's own
    // coordinates; none when it is not kept. A window that was fully visible when it was kept
    // has nothing left to paint.
    std::optional<QRegion> unpainted(std::uint32_t topLevel);

private:
    struct Kept {
        std::uint32_t topLevel = 0;
        // What the screen did not show of it when it was kept: its application paints that anew.
        QRegion unseen;
        std::unique_ptr<X11DamageWatch> painting;
    };

    X11CaptureConnection& connection_;
    std::vector<Kept> kept_;
};

} // namespace quorvane
