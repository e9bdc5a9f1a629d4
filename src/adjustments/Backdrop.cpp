#include "adjustments/Backdrop.h"

#include "adjustments/AlphaMaskBlur.h"
#include "imaging/MappedBitmap.h"
#include "imaging/OutputSizeProblem.h"

#include <QLinearGradient>
#include <cmath>
#include <numbers>

namespace quorvane {
namespace {

Backdrop::RGBA hex(std::uint32_t rgb) {
    return {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
            static_cast<std::uint8_t>(rgb), 255};
}

double rounded(double v) {
    return std::round(v);
}

std::uint8_t byteOf(double component) {
    if (!std::isfinite(component) || !(component > 0)) return 0;
    return static_cast<std::uint8_t>(std::round(std::min(component, 1.0) * 255));
}

// Draws the shadow of `outline` (user space) outside it and inside `canvas`. The mask is made in
// device pixels, where the offset and the blur are measured: the blur radius is scaled by the
// painter's linear scale and taken as a Gaussian of σ = blur / 2, which three box passes of the
// widths from boxBlurWidths(σ) approximate. A wide blur runs on a mask shrunk k = ⌊σ / 3⌋ times,
// on which the shadow is still smooth, and is scaled up as it is drawn: the cost stays about the
// same for every radius.
bool drawShadow(QPainter& painter, const QPainterPath& outline, const QRectF& canvas,
                const Backdrop::Shadow& shadow) {
    const QTransform m = painter.combinedTransform();
    const double sigma = shadow.radius * std::sqrt(std::abs(m.m11() * m.m22() - m.m12() * m.m21())) / 2;
    const QPointF offset(m.m21() * shadow.offsetY, m.m22() * shadow.offsetY);
    const QPaintDevice* device = painter.device();
    const QRect visible = m.mapRect(canvas).toAlignedRect() & QRect(0, 0, device->width(), device->height());
    if (visible.isEmpty() || !std::isfinite(sigma)) return true;

    // The mask reaches as far past the visible part as the blur does, so that a shape moved
    // off the canvas still shades its edge.
    const int reach = static_cast<int>(std::ceil(3 * sigma)) + 1;
    const QRect area = visible.adjusted(-reach, -reach, reach, reach);
    const int k = std::max(1, static_cast<int>(std::floor(sigma / 3)));
    auto mask = mappedAlphaMask((area.width() + k - 1) / k, (area.height() + k - 1) / k);
    if (!mask) return false;
    {
        QPainter maskPainter(&*mask);
        maskPainter.setRenderHint(QPainter::Antialiasing);
        maskPainter.setTransform(m * QTransform::fromTranslate(offset.x() - area.x(), offset.y() - area.y()) *
                                 QTransform::fromScale(1.0 / k, 1.0 / k));
        maskPainter.fillPath(outline, Qt::black);
    }
    if (!blurAlphaMask(*mask, sigma / k)) return false;

    painter.save();
    QPainterPath outside;
    outside.setFillRule(Qt::OddEvenFill);
    outside.addRect(canvas);
    outside.addPath(outline);
    painter.setClipPath(outside, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    painter.resetTransform();
    painter.setOpacity(shadow.opacity / 100.0);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, k > 1);
    // An alpha-only image draws as black of that alpha.
    painter.drawImage(QRectF(area.x(), area.y(), mask->width() * k, mask->height() * k), *mask);
    painter.restore();
    return true;
}

void drawFill(QPainter& painter, const Backdrop::Fill& fill, const QRectF& canvas) {
    if (const auto* solid = std::get_if<Backdrop::Solid>(&fill)) {
        painter.fillRect(canvas, solid->color.color());
    } else if (const auto* gradient = std::get_if<Backdrop::Gradient>(&fill)) {
        // The ends lie on the lines through the extreme corners, perpendicular to the direction.
        const double theta = gradient->angle * std::numbers::pi / 180;
        const QPointF direction(std::cos(theta), std::sin(theta));
        const double length =
            (std::abs(canvas.width() * direction.x()) + std::abs(canvas.height() * direction.y())) / 2;
        const QPointF center = canvas.center();
        QLinearGradient linear(center - length * direction, center + length * direction);
        linear.setSpread(QGradient::PadSpread);
        linear.setColorAt(0, gradient->first.color());
        linear.setColorAt(1, gradient->second.color());
        painter.fillRect(canvas, QBrush(linear));
    }
}

} // namespace

BackdropRGBA BackdropRGBA::from(const QColor& color) {
    if (!color.isValid()) return {0, 0, 0, 0};
    const QColor rgb = color.spec() == QColor::ExtendedRgb ? color : color.toRgb();
    return {byteOf(double(rgb.redF())), byteOf(double(rgb.greenF())), byteOf(double(rgb.blueF())),
            byteOf(double(rgb.alphaF()))};
}

std::optional<QString> Backdrop::problem(const QSizeF& imageSize) const {
    bool inRange = padding >= 0 && padding <= 1000 && cornerRadius >= 0 && cornerRadius <= 400;
    if (const auto* gradient = std::get_if<Gradient>(&fill))
        inRange = inRange && gradient->angle >= -360 && gradient->angle <= 360;
    if (shadow)
        inRange = inRange && shadow->radius >= 0 && shadow->radius <= 200 && shadow->opacity >= 0 &&
                  shadow->opacity <= 100 && shadow->offsetY >= -200 && shadow->offsetY <= 200;
    if (!inRange) return QStringLiteral("Padding, corner radius, or shadow is out of range.");

    const double w = rounded(imageSize.width()) + 2.0 * padding;
    const double h = rounded(imageSize.height()) + 2.0 * padding;
    const auto sizeProblem = outputSizeProblem(QSizeF(w, h));
    if (!sizeProblem) return std::nullopt;
    return QStringLiteral(
               "With %1 px padding the image would be %2 × %3 px. %4 Reduce the padding or resize the image.")
        .arg(QString::number(padding), QString::number(w, 'f', 0), QString::number(h, 'f', 0), *sizeProblem);
}

Backdrop Backdrop::preset(Preset preset, double scale) {
    const double s = std::isfinite(scale) ? std::clamp(scale, 0.25, 8.0) : 1.0;
    Backdrop backdrop;
    switch (preset) {
    case Preset::tolm:
        backdrop.fill = Gradient{hex(0x0F766E), hex(0x6EE7B7), 45};
        break;
    case Preset::ocean:
        backdrop.fill = Gradient{hex(0x1D4ED8), hex(0x7DD3FC), 45};
        break;
    case Preset::sunset:
        backdrop.fill = Gradient{hex(0xF97316), hex(0xDB2777), 45};
        break;
    case Preset::graphite:
        backdrop.fill = Solid{hex(0x1F2937)};
        break;
    case Preset::paper:
        backdrop.fill = Solid{hex(0xF3F4F6)};
        break;
    case Preset::clear:
        backdrop.fill = Transparent{};
        break;
    }
    backdrop.padding = static_cast<int>(rounded((preset == Preset::clear ? 32 : 48) * s));
    backdrop.cornerRadius = static_cast<int>(rounded(10 * s));
    backdrop.shadow = Shadow{static_cast<int>(rounded(24 * s)), preset == Preset::paper ? 20 : 35,
                             static_cast<int>(rounded(8 * s))};
    return backdrop;
}

QPainterPath Backdrop::imagePath(const QSizeF& imageSize) const {
    const double w = rounded(imageSize.width()), h = rounded(imageSize.height());
    const double radius = std::max(std::min<double>(cornerRadius, std::min(w, h) / 2), 0.0);
    QPainterPath path;
    const QRectF rect(padding, padding, w, h);
    if (radius > 0)
        path.addRoundedRect(rect, radius, radius);
    else
        path.addRect(rect);
    return path;
}

bool Backdrop::drawBackground(QPainter& painter, const QSizeF& imageSize) const {
    const QRectF canvas(0, 0, rounded(imageSize.width()) + 2.0 * padding,
                        rounded(imageSize.height()) + 2.0 * padding);
    painter.save();
    drawFill(painter, fill, canvas);
    bool drawn = true;
    // Opacity 0 draws nothing at all, not an invisible shadow.
    if (shadow && shadow->opacity >= 1) drawn = drawShadow(painter, imagePath(imageSize), canvas, *shadow);
    painter.restore();
    return drawn;
}

std::optional<QImage> Backdrop::apply(const QImage& image) const {
    const QSizeF size(image.width(), image.height());
    if (image.isNull() || problem(size)) return std::nullopt;
    bool drawn = false;
    auto result = MappedBitmap::image(image.width() + 2LL * padding, image.height() + 2LL * padding,
                                      MappedBitmap::Alpha::premultipliedLast, [&](QImage& target) {
                                          QPainter painter(&target);
                                          painter.setRenderHint(QPainter::Antialiasing);
                                          drawn = drawBackground(painter, size);
                                          if (!drawn) return;
                                          // The shadow never lies under the image: transparent
                                          // pixels of the image show the fill only.
                                          painter.setClipPath(imagePath(size));
                                          painter.drawImage(QPoint(padding, padding), image);
                                      });
    if (!drawn) return std::nullopt;
    return result;
}

QString rawValue(Backdrop::Preset preset) {
    switch (preset) {
    case Backdrop::Preset::tolm:
        return QStringLiteral("tolm");
    case Backdrop::Preset::ocean:
        return QStringLiteral("ocean");
    case Backdrop::Preset::sunset:
        return QStringLiteral("sunset");
    case Backdrop::Preset::graphite:
        return QStringLiteral("graphite");
    case Backdrop::Preset::paper:
        return QStringLiteral("paper");
    case Backdrop::Preset::clear:
        return QStringLiteral("clear");
    }
    return {};
}

std::optional<Backdrop::Preset> backdropPreset(const QString& value) {
    for (Backdrop::Preset preset : allBackdropPresets)
        if (rawValue(preset) == value) return preset;
    return std::nullopt;
}

} // namespace quorvane
