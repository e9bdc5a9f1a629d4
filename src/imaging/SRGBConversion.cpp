#include "imaging/SRGBConversion.h"

#include "imaging/MappedBitmap.h"

#include <QColorSpace>
#include <QPainter>

namespace quorvane::ImageResampler {

bool isSRGBOrUntagged(const QImage& image) {
    return !image.colorSpace().isValid() || image.colorSpace() == QColorSpace(QColorSpace::SRgb);
}

std::optional<QImage> mappedSRGBCopy(const QImage& image) {
    if (image.isNull() || image.width() < 1 || image.height() < 1) return std::nullopt;
    const QImage source = sRGBColors(image);
    if (source.isNull()) return std::nullopt;
    return MappedBitmap::image(source.width(), source.height(), MappedBitmap::Alpha::premultipliedLast,
                               [&](QImage& target) {
                                   QPainter painter(&target);
                                   painter.setCompositionMode(QPainter::CompositionMode_Source);
                                   painter.drawImage(QPoint(0, 0), source);
                               });
}

QImage sRGBColors(const QImage& image) {
    if (isSRGBOrUntagged(image)) return image;
    QImage wide = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_RGBA64_Premultiplied
                                                                : QImage::Format_RGBX64);
    wide.convertToColorSpace(QColorSpace::SRgb);
    return wide;
}

bool isSRGB8(const QImage& image) {
    switch (image.format()) {
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBA8888_Premultiplied:
    case QImage::Format_RGBX8888:
        break;
    default:
        return false;
    }
    return image.colorSpace().isValid() && image.colorSpace() == QColorSpace(QColorSpace::SRgb);
}

std::optional<QImage> convertToSRGB(const QImage& image) {
    if (isSRGB8(image)) return image;
    return mappedSRGBCopy(image);
}

} // namespace quorvane::ImageResampler
