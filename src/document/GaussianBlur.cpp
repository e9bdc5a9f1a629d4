#include "document/GaussianBlur.h"

#include "adjustments/AlphaMaskBlur.h"
#include "adjustments/ParallelRows.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace quorvane {
namespace {

// Working values carry four bits below the byte, so that six passes do not pile up rounding.
constexpr int fraction = 4;
constexpr int channels = 4;
// Columns are blurred in strips of this many pixels: wide enough to vectorise, narrow enough
// that a strip of a tall image stays in cache.
constexpr int stripWidth = 32;
constexpr int pixelsPerThread = 1 << 18;

// Sum × inverse stays below 2^32 for every width: the sum is at most 4080 × width and the
// inverse about 2^16 / width.
struct Box {
    int radius;
    std::uint32_t inverse;
    explicit Box(int width)
        : radius((width - 1) / 2),
          inverse((65536u + static_cast<std::uint32_t>(width) / 2) / static_cast<std::uint32_t>(width)) {}
};

inline std::uint16_t mean(std::uint32_t sum, std::uint32_t inverse) {
    return static_cast<std::uint16_t>((sum * inverse + 32768u) >> 16);
}

// Wide boxes round their inverse coarsely enough to overshoot 255 by a little.
inline std::uint8_t toByte(std::uint16_t value) {
    return static_cast<std::uint8_t>(std::min<unsigned>((value + (1u << (fraction - 1))) >> fraction, 255u));
}

// One box pass over `count` pixels of `lanes` interleaved values each: `out` is valid on
// [lo + r, hi − r) when `in` is valid on [lo, hi).
void boxPass(const std::uint16_t* __restrict in, std::uint16_t* __restrict out, int lanes, int lo, int hi,
             const Box& box, std::uint32_t* __restrict sums) {
    const int r = box.radius;
    std::fill(sums, sums + lanes, 0u);
    for (int j = lo; j <= lo + 2 * r; ++j) {
        const std::uint16_t* line = in + static_cast<std::ptrdiff_t>(j) * lanes;
        for (int k = 0; k < lanes; ++k)
            sums[k] += line[k];
    }
    for (int i = lo + r; i < hi - r; ++i) {
        std::uint16_t* target = out + static_cast<std::ptrdiff_t>(i) * lanes;
        for (int k = 0; k < lanes; ++k)
            target[k] = mean(sums[k], box.inverse);
        if (i + 1 >= hi - r) break;
        const std::uint16_t* entering = in + static_cast<std::ptrdiff_t>(i + r + 1) * lanes;
        const std::uint16_t* leaving = in + static_cast<std::ptrdiff_t>(i - r) * lanes;
        for (int k = 0; k < lanes; ++k)
            sums[k] += static_cast<std::uint32_t>(entering[k]) - leaving[k];
    }
}

// Runs the three passes over a line padded by `pad` on both sides; the result is valid on
// [pad, pad + length) of the returned buffer.
const std::uint16_t* threePasses(std::vector<std::uint16_t>& a, std::vector<std::uint16_t>& b,
                                 std::vector<std::uint32_t>& sums, int lanes, int paddedLength,
                                 const std::array<Box, 3>& boxes) {
    int lo = 0, hi = paddedLength;
    std::uint16_t* from = a.data();
    std::uint16_t* to = b.data();
    for (const Box& box : boxes) {
        boxPass(from, to, lanes, lo, hi, box, sums.data());
        lo += box.radius;
        hi -= box.radius;
        std::swap(from, to);
    }
    return from;
}

} // namespace

bool gaussianBlur(QImage& image, double sigma) {
    if (image.isNull() || image.depth() != 32) return false;
    const auto widths = boxBlurWidths(sigma);
    if (widths == std::array<int, 3>{1, 1, 1}) return true;
    const std::array<Box, 3> boxes{Box(widths[0]), Box(widths[1]), Box(widths[2])};
    const int pad = boxes[0].radius + boxes[1].radius + boxes[2].radius;
    const int width = image.width(), height = image.height();
    uchar* bits = image.bits();
    const qsizetype stride = image.bytesPerLine();

    const auto rows = [&](int begin, int end) {
        const int padded = width + 2 * pad;
        std::vector<std::uint16_t> a(static_cast<std::size_t>(padded) * channels);
        std::vector<std::uint16_t> b(a.size());
        std::vector<std::uint32_t> sums(channels);
        for (int y = begin; y < end; ++y) {
            std::uint8_t* row = bits + y * stride;
            for (int i = 0; i < padded; ++i) {
                const std::uint8_t* p = row + std::clamp(i - pad, 0, width - 1) * channels;
                for (int k = 0; k < channels; ++k)
                    a[static_cast<std::size_t>(i * channels + k)] =
                        static_cast<std::uint16_t>(p[k] << fraction);
            }
            const std::uint16_t* result = threePasses(a, b, sums, channels, padded, boxes) + pad * channels;
            for (int i = 0; i < width * channels; ++i)
                row[i] = toByte(result[i]);
        }
    };

    const int strips = (width + stripWidth - 1) / stripWidth;
    const auto columns = [&](int begin, int end) {
        const int padded = height + 2 * pad;
        const int maxLanes = stripWidth * channels;
        std::vector<std::uint16_t> a(static_cast<std::size_t>(padded) * maxLanes);
        std::vector<std::uint16_t> b(a.size());
        std::vector<std::uint32_t> sums(static_cast<std::size_t>(maxLanes));
        for (int s = begin; s < end; ++s) {
            const int x0 = s * stripWidth;
            const int lanes = std::min(stripWidth, width - x0) * channels;
            for (int i = 0; i < padded; ++i) {
                const std::uint8_t* p = bits + std::clamp(i - pad, 0, height - 1) * stride + x0 * channels;
                std::uint16_t* line = a.data() + static_cast<std::ptrdiff_t>(i) * lanes;
                for (int k = 0; k < lanes; ++k)
                    line[k] = static_cast<std::uint16_t>(p[k] << fraction);
            }
            const std::uint16_t* result =
                threePasses(a, b, sums, lanes, padded, boxes) + static_cast<std::ptrdiff_t>(pad) * lanes;
            for (int y = 0; y < height; ++y) {
                std::uint8_t* p = bits + y * stride + x0 * channels;
                const std::uint16_t* line = result + static_cast<std::ptrdiff_t>(y) * lanes;
                for (int k = 0; k < lanes; ++k)
                    p[k] = toByte(line[k]);
            }
        }
    };

    const int minRows = std::max(16, pixelsPerThread / std::max(width, 1));
    const int minStrips = std::max(1, pixelsPerThread / std::max(height * stripWidth, 1));
    return parallelRows(height, rows, minRows) && parallelRows(strips, columns, minStrips);
}

} // namespace quorvane
