#include "scrolling/ScreenRegionFrameSource.h"

#include "platform/Geometry.h"
#include "scrolling/ScrollingCaptureFailure.h"

#include <algorithm>
#include <cmath>

namespace quorvane {

Result<ScreenRegionFrameSource, Error>
ScreenRegionFrameSource::make(std::shared_ptr<ScrollRegionCapturing> capturing, const QRectF& region,
                              quint32 displayID, double scale) {
    auto displays = capturing->displays();
    if (!displays) return Failure{displays.error()};
    const auto display =
        std::find_if(displays->begin(), displays->end(),
                     [displayID](const ScrollCaptureDisplay& d) { return d.id == displayID; });
    if (display == displays->end()) return Failure{ScrollingCaptureFailure::displayUnavailable()};

    const QRectF local = geom::offsetBy(region, -geom::minX(display->frame), -geom::minY(display->frame));
    const QRectF bounds(0, 0, geom::width(display->frame), geom::height(display->frame));
    if (!std::isfinite(scale) || scale <= 0 || !geom::isFinite(local) || !geom::contains(bounds, local))
        return Failure{ScrollingCaptureFailure::outsideDisplay()};

    auto size = capturing->checkedSize(geom::roundHalfAway(scale * geom::width(region)),
                                       geom::roundHalfAway(scale * geom::height(region)));
    if (!size) return Failure{size.error()};
    return ScreenRegionFrameSource(std::move(capturing), displayID, geom::standardized(local), *size);
}

ScreenRegionFrameSource::ScreenRegionFrameSource(std::shared_ptr<ScrollRegionCapturing> capturing,
                                                 quint32 displayID, const QRectF& source,
                                                 const QSize& pixelSize)
    : capturing_(std::move(capturing)), displayID_(displayID), source_(source), pixelSize_(pixelSize) {}

Result<QImage, Error> ScreenRegionFrameSource::frame() {
    return capturing_->capture(displayID_, source_, pixelSize_);
}

} // namespace quorvane
