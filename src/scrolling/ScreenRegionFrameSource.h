#pragma once

// Frames of one region of one display, taken through the screen capture service. The region
// and the size of the frames are worked out once per capture, when the source is made.

#include "scrolling/ScrollFrameSource.h"
#include "scrolling/ScrollRegionCapturing.h"

#include <memory>

namespace quorvane {

class ScreenRegionFrameSource final : public ScrollFrameSource {
public:
    // `region` is in root-window points, `scale` the display's pixels per point. Fails with the
    // capture service's errors, or with a ScrollingCaptureFailure when the display is gone or
    // the region does not lie inside it.
    static Result<ScreenRegionFrameSource, Error> make(std::shared_ptr<ScrollRegionCapturing> capturing,
                                                       const QRectF& region, quint32 displayID, double scale);

    Result<QImage, Error> frame() override;

    quint32 displayID() const { return displayID_; }
    // The region relative to the display's top left, in points.
    const QRectF& source() const { return source_; }
    const QSize& pixelSize() const { return pixelSize_; }

private:
    ScreenRegionFrameSource(std::shared_ptr<ScrollRegionCapturing> capturing, quint32 displayID,
                            const QRectF& source, const QSize& pixelSize);

    std::shared_ptr<ScrollRegionCapturing> capturing_;
    quint32 displayID_;
    QRectF source_;
    QSize pixelSize_;
};

} // namespace quorvane
