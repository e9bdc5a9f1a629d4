#include "scrolling/StitchPixels.h"

#include <QPixelFormat>
#include <algorithm>
#include <cstring>

namespace quorvane::StitchPixels {
namespace {

bool isReadable(QImage::Format format) {
    return format == QImage::Format_RGBA8888_Premultiplied || format == QImage::Format_RGBX8888 ||
           format == QImage::Format_RGBA8888;
}

// Straight colour over white, rounded.
inline unsigned overWhite(unsigned value, unsigned alpha) {
    return (value * alpha + 255 * (255 - alpha) + 127) / 255;
}

inline std::uint8_t luminance(unsigned r, unsigned g, unsigned b) {
    return static_cast<std::uint8_t>((54 * r + 183 * g + 19 * b + 128) >> 8);
}

} // namespace

QColorSpace outputSpace(const QImage& frame) {
    const QColorSpace space = frame.colorSpace();
    if (space.isValid() && frame.pixelFormat().colorModel() == QPixelFormat::RGB) return space;
    return QColorSpace(QColorSpace::SRgb);
}

QImage readable(const QImage& frame, const QColorSpace& space) {
    if (frame.isNull()) return {};
    const QColorSpace own = frame.colorSpace();
    const bool convertColours = own.isValid() && own != space;
    if (isReadable(frame.format()) && !convertColours) return frame;
    QImage converted = frame;
    if (convertColours) {
        converted = converted.convertToFormat(
            converted.hasAlphaChannel() ? QImage::Format_RGBA64_Premultiplied : QImage::Format_RGBX64);
        converted.convertToColorSpace(space);
    }
    converted = converted.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    if (!converted.isNull()) converted.setColorSpace(space);
    return converted;
}

void copyRow(const QImage& image, int row, std::uint8_t* destination) {
    const std::uint8_t* source = image.constScanLine(row);
    const int width = image.width();
    switch (image.format()) {
    case QImage::Format_RGBA8888_Premultiplied:
        std::memcpy(destination, source, static_cast<std::size_t>(width) * 4);
        break;
    case QImage::Format_RGBX8888:
        std::memcpy(destination, source, static_cast<std::size_t>(width) * 4);
        for (int x = 0; x < width; ++x)
            destination[4 * x + 3] = 255;
        break;
    default: // Format_RGBA8888
        for (int x = 0; x < width; ++x) {
            const unsigned alpha = source[4 * x + 3];
            for (int c = 0; c < 3; ++c)
                destination[4 * x + c] = static_cast<std::uint8_t>((source[4 * x + c] * alpha + 127) / 255);
            destination[4 * x + 3] = static_cast<std::uint8_t>(alpha);
        }
        break;
    }
}

void grayRow(const QImage& image, int row, std::uint8_t* destination) {
    const std::uint8_t* p = image.constScanLine(row);
    const int width = image.width();
    switch (image.format()) {
    case QImage::Format_RGBA8888_Premultiplied:
        // Premultiplied colour over white is colour + (255 − alpha); the clamp keeps malformed
        // pixels (colour above alpha) in range.
        for (int x = 0; x < width; ++x, p += 4) {
            const unsigned clear = 255u - p[3];
            destination[x] = luminance(std::min(p[0] + clear, 255u), std::min(p[1] + clear, 255u),
                                       std::min(p[2] + clear, 255u));
        }
        break;
    case QImage::Format_RGBX8888:
        for (int x = 0; x < width; ++x, p += 4)
            destination[x] = luminance(p[0], p[1], p[2]);
        break;
    default: // Format_RGBA8888
        for (int x = 0; x < width; ++x, p += 4)
            destination[x] = luminance(overWhite(p[0], p[3]), overWhite(p[1], p[3]), overWhite(p[2], p[3]));
        break;
    }
}

} // namespace quorvane::StitchPixels
