#include "adjustments/ImageResampler.h"

#include "adjustments/LanczosScaler.h"
#include "imaging/MappedBitmap.h"

#include <QColorSpace>
#include <climits>
#include <cmath>

namespace quorvane::ImageResampler {
namespace {

// Premultiplied RGBA bytes as the Lanczos filter reads them; copies only when needed.
std::optional<QImage> premultipliedSource(const QImage& image) {
    const auto format = image.format();
    if ((format == QImage::Format_RGBA8888_Premultiplied || format == QImage::Format_RGBX8888) &&
        isSRGBOrUntagged(image))
        return image;
    return mappedSRGBCopy(image);
}

void drawOverlay(const Overlay& overlay, QImage& target) {
    if (!overlay) return;
    QPainter painter(&target);
    overlay(painter, target);
}

} // namespace

QString rawValue(Quality quality) {
    switch (quality) {
    case Quality::highQuality:
        return QStringLiteral("highQuality");
    case Quality::smooth:
        return QStringLiteral("smooth");
    case Quality::nearest:
        return QStringLiteral("nearest");
    }
    return {};
}

std::optional<Quality> quality(const QString& value) {
    for (Quality candidate : allQualities)
        if (rawValue(candidate) == value) return candidate;
    return std::nullopt;
}

QString label(Quality quality) {
    switch (quality) {
    case Quality::highQuality:
        return QStringLiteral("High Quality");
    case Quality::smooth:
        return QStringLiteral("Smooth");
    case Quality::nearest:
        return QStringLiteral("Nearest Neighbor");
    }
    return {};
}

QString description(Quality quality) {
    switch (quality) {
    case Quality::highQuality:
        return QStringLiteral("Lanczos: sharpest detail, best for photos and downscaling.");
    case Quality::smooth:
        return QStringLiteral("Soft bilinear-style filtering with no ringing.");
    case Quality::nearest:
        return QStringLiteral("Copies whole pixels: crisp 2× UI and pixel art.");
    }
    return {};
}

std::optional<QImage> resize(const QImage& image, const QSizeF& size, Quality quality,
                             const Overlay& overlay) {
    // 0.6 would round to 1, but is refused like any other side below one pixel.
    if (!std::isfinite(size.width()) || !std::isfinite(size.height()) || !(size.width() >= 1) ||
        !(size.height() >= 1))
        return std::nullopt;
    const double w = std::round(size.width()), h = std::round(size.height());
    if (image.isNull() || image.width() < 1 || image.height() < 1 || w > INT_MAX || h > INT_MAX)
        return std::nullopt;

    if (quality == Quality::highQuality) {
        auto source = premultipliedSource(image);
        if (!source) return std::nullopt;
        bool scaled = false;
        auto result = MappedBitmap::image(static_cast<std::int64_t>(w), static_cast<std::int64_t>(h),
                                          MappedBitmap::Alpha::premultipliedLast, [&](QImage& target) {
                                              scaled = lanczosScale(*source, target);
                                              if (scaled) drawOverlay(overlay, target);
                                          });
        if (!scaled) return std::nullopt;
        return result;
    }

    const QImage source = sRGBColors(image);
    if (source.isNull()) return std::nullopt;
    return MappedBitmap::image(static_cast<std::int64_t>(w), static_cast<std::int64_t>(h),
                               MappedBitmap::Alpha::premultipliedLast, [&](QImage& target) {
                                   {
                                       QPainter painter(&target);
                                       painter.setCompositionMode(QPainter::CompositionMode_Source);
                                       painter.setRenderHint(QPainter::SmoothPixmapTransform,
                                                             quality == Quality::smooth);
                                       painter.drawImage(QRectF(0, 0, w, h), source);
                                   }
                                   drawOverlay(overlay, target);
                               });
}

} // namespace quorvane::ImageResampler
