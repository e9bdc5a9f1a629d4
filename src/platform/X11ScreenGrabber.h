#pragma once

// Reads pixels of the root window, of a window or of a window's off-screen content, through a
// shared-memory segment where the server offers one (MIT-SHM), else through plain GetImage, and
// converts them to RGBA byte order on the way.

#include "platform/X11CaptureConnection.h"
#include "platform/X11ScreenTargets.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace quorvane {

class X11ScreenGrabber {
public:
    explicit X11ScreenGrabber(X11CaptureConnection& connection);
    ~X11ScreenGrabber();
    X11ScreenGrabber(const X11ScreenGrabber&) = delete;
    X11ScreenGrabber& operator=(const X11ScreenGrabber&) = delete;

    // Copies `area` (the drawable's coordinates) into `target` (RGBA8888, premultiplied) with its
    // top left at `at`. Depth-24 pixels arrive opaque; depth-32 pixels keep their premultiplied
    // alpha unless `opaque`.
    std::optional<X11CaptureError> read(std::uint32_t drawable, const QRect& area, QImage& target, QPoint at,
                                        bool opaque);

    // The whole client area of a viewable window, into `target` of the window's size. Parts that
    // the server cannot render stay transparent.
    std::optional<X11CaptureError> readWindow(const X11Window& window, QImage& target, bool opaque);

    // Keeps the content of every top-level window off screen as well (Composite), for the life of
    // the connection: covered windows can then be read whole, and windows taken out of a grab
    // leave the right pixels behind at once. Covered parts are complete once the applications
    // have repainted, shortly after the first call. False without Composite.
    bool keepWindowContents();

    // The segment kept for the next grab, released when grabs are rare.
    void releaseSharedMemory();
    bool usesSharedMemory() const { return segment_ != 0; }

private:
    bool ensureSegment(std::size_t bytes);

    X11CaptureConnection& connection_;
    std::uint32_t segment_ = 0;
    void* memory_ = nullptr;
    std::size_t size_ = 0;
    bool sharedMemoryFailed_ = false;
    bool windowContentsKept_ = false;
};

// BGRX or premultiplied BGRA words as X delivers them, to RGBA bytes.
void convertX11Pixels(const std::uint32_t* source, std::uint32_t* target, std::size_t count, bool keepAlpha);

} // namespace quorvane
