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

struct Box {
    int radius;
    float scale; // 1 / width
    explicit Box(int width) : radius((width - 1) / 2), scale(1.0f / static_cast<float>(width)) {}
};

// The line loops below take restricted pointers so that the compiler vectorises them. Sums of
// whole numbers below 2^24 are exact in single precision, which vectorises on every x86-64.
inline void addTo(std::int32_t* __restrict sums, const std::uint16_t* __restrict line, int lanes) {
    for (int k = 0; k < lanes; ++k)
        sums[k] += line[k];
}

inline void slide(std::int32_t* __restrict sums, const std::uint16_t* __restrict entering,
                  const std::uint16_t* __restrict leaving, int lanes) {
    for (int k = 0; k < lanes; ++k)
        sums[k] += static_cast<std::int32_t>(entering[k]) - static_cast<std::int32_t>(leaving[k]);
}

inline void storeMeans(std::uint16_t* __restrict out, const std::int32_t* __restrict sums, int lanes,
                       float scale) {
    for (int k = 0; k < lanes; ++k)
        out[k] =
            static_cast<std::uint16_t>(static_cast<std::int32_t>(static_cast<float>(sums[k]) * scale + 0.5f));
}

void widen(std::uint16_t* __restrict out, const std::uint8_t* __restrict in, int count) {
    for (int k = 0; k < count; ++k)
        out[k] = static_cast<std::uint16_t>(in[k] << fraction);
}

// Rounded back to bytes; a mean may overshoot 255 by a rounding step.
void narrow(std::uint8_t* __restrict out, const std::uint16_t* __restrict in, int count) {
    for (int k = 0; k < count; ++k) {
        const std::uint16_t v = static_cast<std::uint16_t>((in[k] + (1 << (fraction - 1))) >> fraction);
        out[k] = static_cast<std::uint8_t>(v > 255 ? 255 : v);
    }
}

// Rounding each channel on its own can leave a colour one step above its alpha, which a
// premultiplied pixel must never have.
void keepPremultiplied(std::uint8_t* pixels, int count) {
    for (int i = 0; i < count; ++i, pixels += channels)
        for (int k = 0; k < 3; ++k)
            pixels[k] = std::min(pixels[k], pixels[3]);
}

// One box pass over positions of `lanes` interleaved values each: `out` is valid on [lo + r, hi − r)
// when `in` is valid on [lo, hi). A fixed lane count (a row's four channels) lets the compiler
// keep the sums in one vector register.
template<int fixedLanes>
void boxPass(const std::uint16_t* __restrict in, std::uint16_t* __restrict out, int runtimeLanes, int lo,
             int hi, const Box& box, std::int32_t* __restrict sums) {
    const int lanes = fixedLanes > 0 ? fixedLanes : runtimeLanes;
    const int r = box.radius;
    std::fill(sums, sums + lanes, 0);
    for (int j = lo; j <= lo + 2 * r; ++j)
        addTo(sums, in + static_cast<std::ptrdiff_t>(j) * lanes, lanes);
    for (int i = lo + r; i < hi - r; ++i) {
        storeMeans(out + static_cast<std::ptrdiff_t>(i) * lanes, sums, lanes, box.scale);
        if (i + 1 >= hi - r) break;
        slide(sums, in + static_cast<std::ptrdiff_t>(i + r + 1) * lanes,
              in + static_cast<std::ptrdiff_t>(i - r) * lanes, lanes);
    }
}

// Runs the three passes over a line padded by `pad` on both sides; the result is valid on
// [pad, pad + length) of the returned buffer.
template<int fixedLanes>
const std::uint16_t* threePasses(std::vector<std::uint16_t>& a, std::vector<std::uint16_t>& b,
                                 std::vector<std::int32_t>& sums, int lanes, int paddedLength,
                                 const std::array<Box, 3>& boxes) {
    int lo = 0, hi = paddedLength;
    std::uint16_t* from = a.data();
    std::uint16_t* to = b.data();
    for (const Box& box : boxes) {
        boxPass<fixedLanes>(from, to, lanes, lo, hi, box, sums.data());
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
        std::vector<std::int32_t> sums(channels);
        for (int y = begin; y < end; ++y) {
            std::uint8_t* row = bits + y * stride;
            std::uint16_t* line = a.data();
            widen(line + pad * channels, row, width * channels);
            // The edge pixels repeat outward.
            for (int i = 0; i < pad; ++i) {
                std::copy_n(line + pad * channels, channels, line + i * channels);
                std::copy_n(line + (pad + width - 1) * channels, channels,
                            line + (pad + width + i) * channels);
            }
            narrow(row, threePasses<channels>(a, b, sums, channels, padded, boxes) + pad * channels,
                   width * channels);
        }
    };

    const int strips = (width + stripWidth - 1) / stripWidth;
    const auto columns = [&](int begin, int end) {
        const int padded = height + 2 * pad;
        const int maxLanes = stripWidth * channels;
        std::vector<std::uint16_t> a(static_cast<std::size_t>(padded) * maxLanes);
        std::vector<std::uint16_t> b(a.size());
        std::vector<std::int32_t> sums(static_cast<std::size_t>(maxLanes));
        for (int s = begin; s < end; ++s) {
            const int x0 = s * stripWidth;
            const int lanes = std::min(stripWidth, width - x0) * channels;
            for (int i = 0; i < padded; ++i)
                widen(a.data() + static_cast<std::ptrdiff_t>(i) * lanes,
                      bits + std::clamp(i - pad, 0, height - 1) * stride + x0 * channels, lanes);
            const std::uint16_t* result =
                threePasses<0>(a, b, sums, lanes, padded, boxes) + static_cast<std::ptrdiff_t>(pad) * lanes;
            for (int y = 0; y < height; ++y) {
                std::uint8_t* pixels = bits + y * stride + x0 * channels;
                narrow(pixels, result + static_cast<std::ptrdiff_t>(y) * lanes, lanes);
                keepPremultiplied(pixels, lanes / channels);
            }
        }
    };

    const int minRows = std::max(16, pixelsPerThread / std::max(width, 1));
    const int minStrips = std::max(1, pixelsPerThread / std::max(height * stripWidth, 1));
    return parallelRows(height, rows, minRows) && parallelRows(strips, columns, minStrips);
}

} // namespace quorvane
