#pragma once

// What the scrolling capture needs of the screen capture service, kept small so that tests can
// stand in for the X server.

#include "platform/Error.h"
#include "platform/Result.h"

#include <QImage>
#include <QRectF>
#include <QSize>
#include <vector>

namespace quorvane {

struct ScrollCaptureDisplay {
    quint32 id = 0;
    // In root-window points: top-left origin, y downward.
    QRectF frame;

    bool operator==(const ScrollCaptureDisplay& other) const {
        return id == other.id && frame.x() == other.frame.x() && frame.y() == other.frame.y() &&
               frame.width() == other.frame.width() && frame.height() == other.frame.height();
    }
};

class ScrollRegionCapturing {
public:
    virtual ~ScrollRegionCapturing() = default;

    // The displays that can be captured now; the capture service's errors pass through.
    virtual Result<std::vector<ScrollCaptureDisplay>, Error> displays() = 0;
    // The pixel size of a capture of width × height pixels, or the capture service's error when
    // the size is outside its limits (a side below 1 pixel, more than 32,000,000 pixels).
    virtual Result<QSize, Error> checkedSize(double width, double height) = 0;
    // One image of `source` (points, relative to the display's top left) of the display, scaled
    // to `pixelSize`, with none of this program's windows in it. Called every 110 ms on the GUI
    // thread while a capture runs: windows of ours that do not intersect the region stay shown.
    virtual Result<QImage, Error> capture(quint32 displayID, const QRectF& source,
                                          const QSize& pixelSize) = 0;
};

} // namespace quorvane
