#include "scrolling/StitchPixels.h"

#include <QPixelFormat>
#include <algorithm>
#include <cstring>

#if defined(__SSE2__) && !defined(QUORVANE_PORTABLE)
#include <emmintrin.h>
#endif

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
    const QImage::Format format = image.format();
    int x = 0;
#if defined(__SSE2__) && !defined(QUORVANE_PORTABLE)
    // Four pixels at a time: over white, then the weighted sum of each pixel's 16-bit channels.
    if (format != QImage::Format_RGBA8888) {
        const bool premultiplied = format == QImage::Format_RGBA8888_Premultiplied;
        const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
        const __m128i weights = _mm_setr_epi16(54, 183, 19, 0, 54, 183, 19, 0);
        const __m128i half = _mm_set1_epi32(128);
        const __m128i zero = _mm_setzero_si128();
        for (; x + 4 <= width; x += 4, p += 16) {
            __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            if (premultiplied) {
                // 255 − alpha into the colour bytes; the saturating add clamps malformed pixels.
                const __m128i clear = _mm_andnot_si128(pixels, alpha);
                const __m128i spread =
                    _mm_or_si128(_mm_srli_epi32(clear, 8),
                                 _mm_or_si128(_mm_srli_epi32(clear, 16), _mm_srli_epi32(clear, 24)));
                pixels = _mm_adds_epu8(pixels, spread);
            }
            __m128i low = _mm_madd_epi16(_mm_unpacklo_epi8(pixels, zero), weights);
            __m128i high = _mm_madd_epi16(_mm_unpackhi_epi8(pixels, zero), weights);
            low = _mm_add_epi32(low, _mm_srli_epi64(low, 32));
            high = _mm_add_epi32(high, _mm_srli_epi64(high, 32));
            __m128i sums = _mm_castps_si128(
                _mm_shuffle_ps(_mm_castsi128_ps(low), _mm_castsi128_ps(high), _MM_SHUFFLE(2, 0, 2, 0)));
            sums = _mm_srli_epi32(_mm_add_epi32(sums, half), 8);
            const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(sums, sums), zero);
            const int four = _mm_cvtsi128_si32(bytes);
            std::memcpy(destination + x, &four, 4);
        }
    }
#endif
    switch (format) {
    case QImage::Format_RGBA8888_Premultiplied:
        for (; x < width; ++x, p += 4) {
            const unsigned clear = 255u - p[3];
            destination[x] = luminance(std::min(p[0] + clear, 255u), std::min(p[1] + clear, 255u),
                                       std::min(p[2] + clear, 255u));
        }
        break;
    case QImage::Format_RGBX8888:
        for (; x < width; ++x, p += 4)
            destination[x] = luminance(p[0], p[1], p[2]);
        break;
    default: // Format_RGBA8888
        for (; x < width; ++x, p += 4)
            destination[x] = luminance(overWhite(p[0], p[3]), overWhite(p[1], p[3]), overWhite(p[2], p[3]));
        break;
    }
}

} // namespace quorvane::StitchPixels
