#include "capture/X11CaptureListing.h"

#include "core/Geometry.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace quorvane::X11CaptureListing {
namespace {

// A length in points whose pixels, rounded up, are exactly `pixels`: frame × scale must give
// back the display's own size, also at fractional scales.
double pointLength(int pixels, double scale) {
    double length = pixels / scale;
    for (int i = 0; i < 8 && std::ceil(length * scale) > pixels; ++i)
        length = std::nextafter(length, 0.0);
    for (int i = 0; i < 8 && std::ceil(length * scale) < pixels; ++i)
        length = std::nextafter(length, geom::infinity);
    return length;
}

// Qt keeps a screen's origin in device pixels and divides only its size by the device pixel
// ratio; displays follow it, so that display frames and QScreen geometries agree.
double scaleOf(const X11Monitor& monitor) {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return 1;
    for (QScreen* screen : QGuiApplication::screens()) {
        const double ratio = screen->devicePixelRatio();
        const QRect native(screen->geometry().topLeft(),
                           QSize(static_cast<int>(std::lround(screen->geometry().width() * ratio)),
                                 static_cast<int>(std::lround(screen->geometry().height() * ratio))));
        if ((!monitor.name.isEmpty() && screen->name() == monitor.name) || native == monitor.geometry)
            return std::isfinite(ratio) && ratio > 0 ? ratio : 1;
    }
    return 1;
}

std::int64_t overlap(const QRect& a, const QRect& b) {
    const QRect common = a.intersected(b);
    return common.isEmpty() ? 0 : std::int64_t{common.width()} * common.height();
}

} // namespace

Error serviceError(const X11CaptureError& problem) {
    using Kind = X11CaptureError::Kind;
    switch (problem.kind) {
    case Kind::connectionFailed:
        return CaptureService::error(
            CaptureService::connectionFailed,
            QStringLiteral("Screen capture is unavailable: the X server cannot be reached."));
    case Kind::displayUnavailable:
        return CaptureService::error(CaptureService::displayUnavailable,
                                     QStringLiteral("The display is no longer available."));
    case Kind::windowUnavailable:
        return CaptureService::error(CaptureService::windowUnavailable,
                                     QStringLiteral("The window is no longer available."));
    case Kind::allocationFailed:
        return CaptureService::error(CaptureService::allocationFailed,
                                     QStringLiteral("Could not allocate the captured image."));
    case Kind::unsupportedFormat:
        return CaptureService::error(CaptureService::unsupportedFormat,
                                     QStringLiteral("The screen's pixel format is not supported."));
    case Kind::grabFailed:
        break;
    }
    return CaptureService::error(
        CaptureService::grabFailed,
        problem.xError != 0
            ? QStringLiteral("The X server could not capture the screen (X error %1).").arg(problem.xError)
            : QStringLiteral("The X server could not capture the screen."));
}

Error serviceError(X11CaptureError::Kind kind) {
    return serviceError(X11CaptureError{kind, 0});
}

CaptureDisplay displayOf(const X11Monitor& monitor) {
    CaptureDisplay display;
    display.displayID = monitor.id;
    display.name = monitor.name;
    display.scale = scaleOf(monitor);
    display.frame = QRectF(monitor.geometry.x(), monitor.geometry.y(),
                           pointLength(monitor.geometry.width(), display.scale),
                           pointLength(monitor.geometry.height(), display.scale));
    display.pixelWidth = monitor.geometry.width();
    display.pixelHeight = monitor.geometry.height();
    return display;
}

CaptureWindow windowOf(const X11Window& window, const std::vector<X11Monitor>& monitors,
                       const std::vector<CaptureDisplay>& displays, std::size_t mainIndex) {
    std::size_t best = mainIndex;
    std::int64_t bestOverlap = 0;
    for (std::size_t i = 0; i < monitors.size(); ++i)
        if (const auto area = overlap(window.geometry, monitors[i].geometry); area > bestOverlap) {
            best = i;
            bestOverlap = area;
        }
    const CaptureDisplay& display = displays[best];
    const QPoint origin = monitors[best].geometry.topLeft();
    CaptureWindow result;
    result.windowID = window.client;
    result.scale = display.scale;
    result.frame = QRectF(display.frame.x() + (window.geometry.x() - origin.x()) / display.scale,
                          display.frame.y() + (window.geometry.y() - origin.y()) / display.scale,
                          pointLength(window.geometry.width(), display.scale),
                          pointLength(window.geometry.height(), display.scale));
    result.title = window.title;
    // A window that names no process may still name its program (WM_CLASS), as older X programs do.
    if (window.processID > 0 || !window.applicationName.isEmpty())
        result.owningApplication =
            CaptureApplication{std::max<ProcessID>(window.processID, 0), window.applicationName};
    result.layer = window.layer;
    return result;
}

std::size_t mainMonitor(const std::vector<X11Monitor>& monitors) {
    for (std::size_t i = 0; i < monitors.size(); ++i)
        if (monitors[i].primary) return i;
    for (std::size_t i = 0; i < monitors.size(); ++i)
        if (monitors[i].geometry.topLeft() == QPoint(0, 0)) return i;
    return 0;
}

QRect nativeArea(const QRect& content, const std::optional<QRectF>& source, double scale) {
    if (!source) return content;
    const QRectF scaled = geom::integral(QRectF(content.x() + geom::minX(*source) * scale,
                                                content.y() + geom::minY(*source) * scale,
                                                geom::width(*source) * scale, geom::height(*source) * scale));
    if (!geom::isFinite(scaled) || !geom::contains(QRectF(content), scaled)) return {};
    return scaled.toRect();
}

} // namespace quorvane::X11CaptureListing
