#include "platform/X11IconPixmap.h"

#include <algorithm>
#include <bit>

namespace quorvane::X11IconPixmap {
namespace {

std::uint32_t pixelAt(const Layout& layout, const std::uint8_t* row, int x) {
    if (layout.bitsPerPixel == 1) {
        const std::uint8_t byte = row[x / 8];
        const int bit = layout.mostSignificantBitFirst ? 7 - x % 8 : x % 8;
        return (byte >> bit) & 1u;
    }
    const int bytes = layout.bitsPerPixel / 8;
    const std::uint8_t* at = row + std::size_t(x) * bytes;
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        const int shift = layout.mostSignificantByteFirst ? 8 * (bytes - 1 - i) : 8 * i;
        value |= std::uint32_t(at[i]) << shift;
    }
    return value;
}

// A channel of `mask` widened or narrowed to 8 bits.
int channel(std::uint32_t pixel, std::uint32_t mask) {
    if (mask == 0) return 0;
    const int shift = std::countr_zero(mask);
    const int width = std::popcount(mask);
    const std::uint64_t value = (pixel & mask) >> shift;
    const std::uint64_t top = (std::uint64_t{1} << width) - 1;
    return int((value * 255 + top / 2) / top);
}

bool contiguous(std::uint32_t mask) {
    return mask != 0 && std::has_single_bit((mask >> std::countr_zero(mask)) + 1);
}

} // namespace

QImage decode(const Layout& layout, const std::uint8_t* data, std::size_t length, int width, int height) {
    if (data == nullptr || width <= 0 || height <= 0) return {};
    const bool bitmap = layout.depth == 1 && layout.bitsPerPixel == 1;
    const bool trueColour = layout.depth > 8 && layout.depth <= 32 &&
                            (layout.bitsPerPixel == 16 || layout.bitsPerPixel == 24 ||
                             layout.bitsPerPixel == 32) &&
                            layout.depth <= layout.bitsPerPixel && contiguous(layout.redMask) &&
                            contiguous(layout.greenMask) && contiguous(layout.blueMask);
    if ((!bitmap && !trueColour) || layout.scanlinePad <= 0 || layout.scanlinePad % 8 != 0) return {};
    const std::size_t rowBits = std::size_t(width) * layout.bitsPerPixel;
    const std::size_t pad = std::size_t(layout.scanlinePad);
    const std::size_t stride = (rowBits + pad - 1) / pad * pad / 8;
    if (stride == 0 || length / stride < std::size_t(height)) return {};

    const std::uint32_t colours = layout.redMask | layout.greenMask | layout.blueMask;
    // A 32-bit depth keeps its alpha in the bits the colours leave.
    const std::uint32_t alphaMask = layout.depth == 32 ? ~colours : 0;
    const bool withAlpha = alphaMask != 0 && contiguous(alphaMask);
    QImage image(width, height, withAlpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull()) return {};
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = data + std::size_t(y) * stride;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const std::uint32_t pixel = pixelAt(layout, row, x);
            if (bitmap) {
                out[x] = pixel != 0 ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
                continue;
            }
            const int alpha = withAlpha ? channel(pixel, alphaMask) : 255;
            // Premultiplied as X Render keeps it; a colour above its alpha is not, and is cut.
            out[x] = qRgba(std::min(channel(pixel, layout.redMask), alpha),
                           std::min(channel(pixel, layout.greenMask), alpha),
                           std::min(channel(pixel, layout.blueMask), alpha), alpha);
        }
    }
    return image;
}

QImage masked(const QImage& image, const QImage& mask) {
    if (image.isNull()) return {};
    QImage out = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const bool shown = x < mask.width() && y < mask.height() && qGray(mask.pixel(x, y)) < 128;
            if (!shown) row[x] = 0;
        }
    }
    return out;
}

} // namespace quorvane::X11IconPixmap
