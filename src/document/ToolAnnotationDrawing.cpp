#include "document/ToolAnnotationDrawing.h"

#include "core/Geometry.h"
#include "document/AnnotationDrawing.h"
#include "document/DevicePixels.h"
#include "document/PixelFont.h"
#include "imaging/MappedBitmap.h"

#include <QFontMetricsF>
#include <cmath>

namespace quorvane {
namespace detail {
namespace {

QRectF centredSquare(const QRectF& rect) {
    const QRectF r = geom::standardized(rect);
    const double side = std::min(r.width(), r.height());
    return QRectF(geom::midX(r) - side / 2, geom::midY(r) - side / 2, side, side);
}

} // namespace

void drawCounter(const Annotation& a, QPainter& painter) {
    const QRectF square = centredSquare(a.rect);
    const double side = square.width();
    const double inset = std::max(1.0, side * 0.06);
    const QColor ink = a.counterInk();
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawEllipse(square);
    painter.setBrush(a.color);
    painter.drawEllipse(square.adjusted(inset, inset, -inset, -inset));

    const QString label = QString::number(a.number);
    QFont font = pixelSizedFont(side * 0.5, painter.device(), QFont::Bold);
    double width = QFontMetricsF(font, painter.device()).horizontalAdvance(label);
    const double limit = (side - 2 * inset) * 0.78;
    if (width > limit && width > 0) {
        font = pixelSizedFont(side * 0.5 * limit / width, painter.device(), QFont::Bold);
        width = QFontMetricsF(font, painter.device()).horizontalAdvance(label);
    }
    const QFontMetricsF metrics(font, painter.device());
    painter.setFont(font);
    painter.setPen(ink);
    // The digits' cap height is centred on the disc.
    painter.drawText(QPointF(square.center().x() - width / 2, square.center().y() + metrics.capHeight() / 2),
                     label);
}

bool drawMagnifier(const Annotation& a, QPainter& painter, QImage& target) {
    const QRectF lens = centredSquare(a.rect);
    QImage* bitmap = DevicePixels::paintedImage(painter, target);
    const QRectF device = painter.deviceTransform().mapRect(lens);
    const double m = a.magnification;
    const QPointF centre = device.center();
    const QRectF wanted(centre.x() - device.width() / (2 * m), centre.y() - device.height() / (2 * m),
                        device.width() / m, device.height() / m);
    const QSize size = bitmap != nullptr ? bitmap->size() : QSize(0, 0);
    const QRectF source = geom::intersection(geom::integral(geom::insetBy(wanted, -2, -2)),
                                             QRectF(0, 0, size.width(), size.height()));
    bool drawn = true;
    if (bitmap != nullptr && !geom::isEmpty(source)) {
        const QRect area(static_cast<int>(source.x()), static_cast<int>(source.y()),
                         static_cast<int>(source.width()), static_cast<int>(source.height()));
        // A copy: the lens paints over the very pixels it shows.
        if (auto pixels = DevicePixels::copy(*bitmap, area)) {
            painter.save();
            DevicePixels::use(painter);
            QPainterPath clip;
            clip.addEllipse(device);
            painter.setClipPath(clip, Qt::IntersectClip);
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(QRectF(centre.x() + m * (source.x() - centre.x()),
                                     centre.y() + m * (source.y() - centre.y()), m * source.width(),
                                     m * source.height()),
                              *pixels);
            painter.restore();
        } else {
            drawn = false;
        }
    }
    const double half = a.strokeWidth * 0.5;
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(lens.adjusted(half, half, -half, -half));
    return drawn;
}

} // namespace detail

bool drawSpotlights(const std::vector<Annotation>& annotations, QPainter& painter, QImage&) {
    std::vector<const Annotation*> spotlights;
    for (const Annotation& a : annotations)
        if (a.kind == AnnotationKind::spotlight && a.isValid()) spotlights.push_back(&a);
    if (spotlights.empty()) return true;

    // The dimmed box is the clip's bounds, or the whole device.
    const QTransform toDevice = painter.deviceTransform();
    const QRectF deviceBounds(0, 0, painter.device()->width(), painter.device()->height());
    QRectF box = toDevice.inverted().mapRect(deviceBounds);
    if (painter.hasClipping()) box = geom::intersection(box, painter.clipBoundingRect());
    const QRect area = DevicePixels::area(box, painter, deviceBounds.size().toSize());
    if (area.isEmpty()) return true;

    // One layer, so that overlapping holes cut one combined hole.
    bool filled = false;
    const auto layer = MappedBitmap::image(
        area.width(), area.height(), MappedBitmap::Alpha::premultipliedLast, [&](QImage& pixels) {
            QPainter layerPainter(&pixels);
            layerPainter.setRenderHint(QPainter::Antialiasing);
            layerPainter.setTransform(toDevice * QTransform::fromTranslate(-area.x(), -area.y()));
            layerPainter.fillRect(box, QColor::fromRgbF(0, 0, 0, 0.5));
            layerPainter.setCompositionMode(QPainter::CompositionMode_Clear);
            layerPainter.setPen(Qt::NoPen);
            layerPainter.setBrush(Qt::black);
            for (const Annotation* s : spotlights) {
                const QRectF hole = geom::standardized(s->rect);
                if (s->fill)
                    layerPainter.drawEllipse(hole);
                else
                    layerPainter.drawRect(hole);
            }
            filled = true;
        });
    if (!layer || !filled) return false;
    painter.save();
    DevicePixels::use(painter);
    painter.drawImage(area.topLeft(), *layer);
    painter.restore();
    return true;
}

} // namespace quorvane
