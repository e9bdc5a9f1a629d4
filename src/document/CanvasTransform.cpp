#include "document/CanvasTransform.h"

#include "core/Geometry.h"
#include "imaging/CaptureGeometry.h"

#include <cmath>

namespace quorvane {
namespace {

bool positiveFinite(double v) {
    return std::isfinite(v) && v > 0;
}

// One axis: snaps a result that differs from a whole pixel only by the error of this computation.
double coordinate(double v, double origin, double zoom) {
    const double d = (v - origin) / zoom;
    const double r = std::round(d);
    const double tolerance = std::min(2 * ((geom::ulp(v) + geom::ulp(origin)) / zoom + geom::ulp(d)), 1e-6);
    return std::abs(d - r) <= tolerance ? r : d;
}

} // namespace

double CanvasTransform::fitZoom(const QSizeF& image, const QSizeF& viewport) {
    if (!positiveFinite(image.width()) || !positiveFinite(image.height()) ||
        !positiveFinite(viewport.width()) || !positiveFinite(viewport.height()))
        return 1.0;
    return std::min(viewport.width() / image.width(), viewport.height() / image.height());
}

QRectF CanvasTransform::imageRect() const {
    const double w = imageSize.width() * zoom, h = imageSize.height() * zoom;
    return QRectF((viewportSize.width() - w) * 0.5 + pan.x(), (viewportSize.height() - h) * 0.5 + pan.y(), w,
                  h);
}

QPointF CanvasTransform::imagePoint(const QPointF& viewPoint) const {
    const QRectF rect = imageRect();
    return QPointF(coordinate(viewPoint.x(), rect.x(), zoom), coordinate(viewPoint.y(), rect.y(), zoom));
}

std::optional<QRectF> CanvasTransform::selection(const QPointF& from, const QPointF& to) const {
    if (!positiveFinite(zoom) || !(viewportSize.width() > 0) || !(viewportSize.height() > 0) ||
        !std::isfinite(viewportSize.width()) || !std::isfinite(viewportSize.height()) ||
        !geom::isFinite(pan) || !geom::isFinite(from) || !geom::isFinite(to))
        return std::nullopt;
    const QPointF a = imagePoint(from), b = imagePoint(to);
    const QRectF r(std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::abs(a.x() - b.x()),
                   std::abs(a.y() - b.y()));
    return CaptureGeometry{QRectF(QPointF(0, 0), imageSize), 1}.pixels(r);
}

bool CanvasTransform::operator==(const CanvasTransform& o) const {
    return geom::exactlyEqual(imageSize, o.imageSize) && geom::exactlyEqual(viewportSize, o.viewportSize) &&
           zoom == o.zoom && geom::exactlyEqual(pan, o.pan);
}

} // namespace quorvane
