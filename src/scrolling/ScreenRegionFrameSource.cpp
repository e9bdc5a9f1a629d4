#include "scrolling/ScreenRegionFrameSource.h"

#include "core/Geometry.h"
#include "scrolling/ScrollingCaptureFailure.h"

#include <QCoreApplication>
#include <cmath>

namespace quorvane {
namespace {

Result<ScreenRegionFrameSource, Error> failure(Error error) {
    return Failure{std::move(error)};
}

} // namespace

void ScreenRegionFrameSource::make(CaptureService& service, const QRectF& region, DisplayID displayID,
                                   double scale, MadeCompletion done) {
    service.targets([&service, region, displayID, scale,
                     done = std::move(done)](Result<ShareableContent, Error> content) {
        if (!content) return done(failure(content.error()));
        const CaptureDisplay* display = content->display(displayID);
        if (!display) return done(failure(ScrollingCaptureFailure::displayUnavailable()));

        const QRectF local = geom::offsetBy(region, -geom::minX(display->frame), -geom::minY(display->frame));
        const QRectF bounds(0, 0, geom::width(display->frame), geom::height(display->frame));
        if (!std::isfinite(scale) || scale <= 0 || !geom::isFinite(local) || !geom::contains(bounds, local))
            return done(failure(ScrollingCaptureFailure::outsideDisplay()));

        auto configuration = CaptureService::configuration(geom::roundHalfAway(scale * geom::width(region)),
                                                           geom::roundHalfAway(scale * geom::height(region)));
        if (!configuration) return done(failure(configuration.error()));
        configuration->sourceRect = geom::standardized(local);
        // Our process whether or not it has windows yet: the outline and the panel may come later.
        const ProcessID self = QCoreApplication::applicationPid();
        done(ScreenRegionFrameSource(service, ContentFilter::forDisplay(*display, {self}),
                                     std::move(*configuration)));
    });
}

ScreenRegionFrameSource::ScreenRegionFrameSource(CaptureService& service, ContentFilter filter,
                                                 CaptureConfiguration configuration)
    : service_(&service), filter_(std::move(filter)), configuration_(std::move(configuration)) {}

void ScreenRegionFrameSource::frame(Completion done) {
    service_->image(filter_, configuration_,
                    [alive = std::weak_ptr(alive_), done = std::move(done)](Result<QImage, Error> image) {
                        if (!alive.expired()) done(std::move(image));
                    });
}

} // namespace quorvane
