#include "adjustments/ImageResampler.h"

#include "export/MappedBitmap.h"

#include <QColorSpace>
#include <QPainter>

namespace quorvane::ImageResampler {

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
    if (image.isNull() || image.width() < 1 || image.height() < 1) return std::nullopt;
    QImage source = image;
    // Untagged pixels are taken as sRGB; tagged ones are converted into it.
    if (source.colorSpace().isValid() && source.colorSpace() != QColorSpace(QColorSpace::SRgb)) {
        source = source.convertToFormat(source.hasAlphaChannel() ? QImage::Format_RGBA64_Premultiplied
                                                                 : QImage::Format_RGBX64);
        source.convertToColorSpace(QColorSpace::SRgb);
        if (source.isNull()) return std::nullopt;
    }
    return MappedBitmap::image(source.width(), source.height(), MappedBitmap::Alpha::premultipliedLast,
                               [&](QImage& target) {
                                   QPainter painter(&target);
                                   painter.setCompositionMode(QPainter::CompositionMode_Source);
                                   painter.drawImage(QPoint(0, 0), source);
                               });
}

} // namespace quorvane::ImageResampler
