#pragma once

// Frames of one region of one display, taken through the screen capture service. The display,
// the region and the size of the frames are worked out once per capture, when the source is
// made; each frame is then one screenshot of exactly that region, without our own windows.

#include "capture/CaptureService.h"
#include "scrolling/ScrollFrameSource.h"

#include <QRectF>
#include <functional>
#include <memory>

namespace quorvane {

class ScreenRegionFrameSource final : public ScrollFrameSource {
public:
    using MadeCompletion = std::function<void(Result<ScreenRegionFrameSource, Error>)>;

    // `region` is in root-window points, `scale` the display's pixels per point. `done` is called
    // exactly once, on the GUI thread on a later turn, with the source, the capture service's
    // error, or a ScrollingCaptureFailure when the display is gone or the region does not lie
    // inside it. `service` must outlive every source made from it.
    static void make(CaptureService& service, const QRectF& region, DisplayID displayID, double scale,
                     MadeCompletion done);

    void frame(Completion done) override;

    // The display without this process's windows.
    const ContentFilter& filter() const { return filter_; }
    // The frame size in pixels; its source rectangle is the region relative to the display.
    const CaptureConfiguration& configuration() const { return configuration_; }

private:
    ScreenRegionFrameSource(CaptureService& service, ContentFilter filter,
                            CaptureConfiguration configuration);

    CaptureService* service_;
    ContentFilter filter_;
    CaptureConfiguration configuration_;
    // Frames requested through any copy are delivered while one copy lives.
    std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
};

} // namespace quorvane
