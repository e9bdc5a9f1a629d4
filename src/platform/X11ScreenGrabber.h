#pragma once

// Reads pixels of the root window, of a window or of a window's off-screen content, through a
// shared-memory segment where the server offers one (MIT-SHM), else through plain GetImage, and
// converts them to RGBA byte order on the way.

#include "core/Result.h"
#include "platform/X11CaptureConnection.h"
#include "platform/X11ScreenTargets.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <cstddef>
#include <cstdint>
#include <vector>

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
    Result<void, X11CaptureError> read(std::uint32_t drawable, const QRect& area, QImage& target, QPoint at,
                                       bool opaque);

    // The whole client area of a viewable window, into `target` of the window's size. Parts that
    // the server cannot render stay transparent.
    Result<void, X11CaptureError> readWindow(const X11Window& window, QImage& target, bool opaque);

    // Lets go of the segments kept for the next grabs.
    void releaseSharedMemory();
    bool usesSharedMemory() const { return !segments_.empty(); }

private:
    struct Segment {
        std::uint32_t id = 0;
        void* memory = nullptr;
        std::size_t size = 0;
    };
    // A segment of at least `bytes`, kept between grabs: creating one and faulting its pages in
    // costs several times the grab itself.
    const Segment* segmentFor(std::size_t bytes);
    void release(const Segment& segment);

    X11CaptureConnection& connection_;
    // Most recently used last; one per display size, and one for a region grabbed over and over.
    std::vector<Segment> segments_;
    bool sharedMemoryFailed_ = false;
};

// BGRX or premultiplied BGRA words as X delivers them, to RGBA bytes.
void convertX11Pixels(const std::uint32_t* source, std::uint32_t* target, std::size_t count, bool keepAlpha);

} // namespace quorvane
