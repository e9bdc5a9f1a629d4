#include "capture/CaptureService.h"

#include "core/Geometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <memory>

namespace quorvane {
namespace {

constexpr double maxPixels = 32'000'000;

template<class T>
CaptureService::Completion<T> deferred(CaptureService::Completion<T> done) {
    // The shared flag keeps a result that a misbehaving service delivers twice from reaching
    // the caller a second time.
    auto delivered = std::make_shared<bool>(false);
    return [done = std::move(done), delivered](Result<T, Error> result) mutable {
        if (*delivered) return;
        *delivered = true;
        QTimer::singleShot(0, [done, result = std::move(result)]() mutable { done(std::move(result)); });
    };
}

bool sameRect(const QRectF& a, const QRectF& b) {
    return geom::exactlyEqual(a, b);
}

} // namespace

bool CaptureDisplay::operator==(const CaptureDisplay& other) const {
    return displayID == other.displayID && name == other.name && sameRect(frame, other.frame) &&
           scale == other.scale && pixelWidth == other.pixelWidth && pixelHeight == other.pixelHeight;
}

bool CaptureWindow::operator==(const CaptureWindow& other) const {
    return windowID == other.windowID && sameRect(frame, other.frame) && scale == other.scale &&
           title == other.title && owningApplication == other.owningApplication && layer == other.layer;
}

bool CaptureConfiguration::operator==(const CaptureConfiguration& other) const {
    const bool sameSource = sourceRect.has_value() == other.sourceRect.has_value() &&
                            (!sourceRect || sameRect(*sourceRect, *other.sourceRect));
    return width == other.width && height == other.height && showsCursor == other.showsCursor &&
           ignoresShadowsSingleWindow == other.ignoresShadowsSingleWindow &&
           shouldBeOpaque == other.shouldBeOpaque && sameSource;
}

const CaptureDisplay* ShareableContent::display(DisplayID id) const {
    const auto found = std::find_if(displays.begin(), displays.end(),
                                    [id](const CaptureDisplay& d) { return d.displayID == id; });
    return found == displays.end() ? nullptr : &*found;
}

const CaptureDisplay* ShareableContent::mainDisplay() const {
    return display(mainDisplayID);
}

ContentFilter ContentFilter::forDisplay(const CaptureDisplay& display,
                                        std::vector<ProcessID> excludingApplications,
                                        std::vector<WindowID> exceptingWindows) {
    ContentFilter filter;
    filter.kind = Kind::display;
    filter.display = display;
    filter.excludedProcessIDs = std::move(excludingApplications);
    filter.exceptedWindowIDs = std::move(exceptingWindows);
    return filter;
}

ContentFilter ContentFilter::forWindow(const CaptureWindow& window) {
    ContentFilter filter;
    filter.kind = Kind::window;
    filter.window = window;
    return filter;
}

QRectF ContentFilter::contentRect() const {
    const QRectF& frame = kind == Kind::display ? display.frame : window.frame;
    return QRectF(0, 0, geom::width(frame), geom::height(frame));
}

double ContentFilter::pointPixelScale() const {
    return kind == Kind::display ? display.scale : window.scale;
}

Error CaptureService::error(ErrorCode code, const QString& message) {
    return Error{QString::fromLatin1(errorDomain), static_cast<int>(code), message};
}

Result<CaptureConfiguration, Error> CaptureService::configuration(double width, double height) {
    const auto inRange = [](double v) { return std::isfinite(v) && v >= 1 && v <= maxPixels; };
    if (!inRange(width) || !inRange(height) || !(width * height <= maxPixels))
        return Failure{toError(CaptureFailure::invalidDimensions)};
    CaptureConfiguration configuration;
    configuration.width = static_cast<int>(std::ceil(width));
    configuration.height = static_cast<int>(std::ceil(height));
    configuration.showsCursor = false;
    configuration.ignoresShadowsSingleWindow = true;
    configuration.shouldBeOpaque = false;
    return configuration;
}

void CaptureService::targets(Completion<ShareableContent> done) {
    loadTargets(deferred(std::move(done)));
}

void CaptureService::image(const ContentFilter& filter, Completion<QImage> done) {
    const QRectF content = filter.contentRect();
    const double scale = filter.pointPixelScale();
    auto checked = configuration(content.width() * scale, content.height() * scale);
    if (!checked) return deferred(std::move(done))(Failure{checked.error()});
    takeImage(filter, *checked, deferred(std::move(done)));
}

void CaptureService::image(const ContentFilter& filter, const CaptureConfiguration& configuration,
                           Completion<QImage> done) {
    // Sizes set by hand pass the same checks as configuration()'s.
    const auto checked = CaptureService::configuration(configuration.width, configuration.height);
    const bool validSource = !configuration.sourceRect || geom::isValidArea(*configuration.sourceRect);
    if (!checked || !validSource)
        return deferred(std::move(done))(Failure{toError(CaptureFailure::invalidDimensions)});
    takeImage(filter, configuration, deferred(std::move(done)));
}

QScreen* screenForDisplay(const CaptureDisplay& display) {
    const auto screens = QGuiApplication::screens();
    for (QScreen* screen : screens)
        if (!display.name.isEmpty() && screen->name() == display.name) return screen;
    for (QScreen* screen : screens)
        if (geom::exactlyEqual(QRectF(screen->geometry()), display.frame)) return screen;
    return nullptr;
}

} // namespace quorvane
