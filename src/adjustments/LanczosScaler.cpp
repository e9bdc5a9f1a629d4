#include "adjustments/LanczosScaler.h"

#include "adjustments/ParallelRows.h"
#include "platform/AnonymousMemory.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <numbers>
#include <optional>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quorvane {
namespace {

// Weights are fixed point with 14 fraction bits: a weight fits in 16 bits and a sum of products
// of 8-bit samples stays far inside 32 bits, so the compiler can use widening 16-bit multiplies.
constexpr int fractionBits = 14;
constexpr std::int32_t one = 1 << fractionBits;
constexpr std::int32_t half = one / 2;

double lanczos3(double x) {
    x = std::abs(x);
    if (x < 1e-9) return 1;
    if (x >= 3) return 0;
    const double px = std::numbers::pi * x;
    return 3 * std::sin(px) * std::sin(px / 3) / (px * px);
}

// For each output sample: the first source sample it reads and its weights. Windows are cut at
// the image edges and renormalised there, so edges keep their brightness.
struct Filter {
    int taps = 0;
    std::vector<int> first;
    std::vector<int> count;
    std::vector<std::int16_t> weights; // `taps` per output sample

    Filter(int in, int out) : first(out), count(out) {
        const double scale = static_cast<double>(in) / out;
        const double stretch = std::max(scale, 1.0); // widen the kernel when shrinking
        const double support = 3 * stretch;
        taps = static_cast<int>(std::ceil(support)) * 2 + 1;
        weights.assign(static_cast<std::size_t>(out) * taps, 0);
        std::vector<double> raw(static_cast<std::size_t>(taps));
        for (int i = 0; i < out; ++i) {
            const double center = (i + 0.5) * scale;
            const int lo = std::max(0, static_cast<int>(center - support + 0.5));
            const int hi = std::min(in, static_cast<int>(center + support + 0.5));
            const int n = std::clamp(hi - lo, 1, taps);
            double total = 0;
            for (int k = 0; k < n; ++k)
                total += raw[k] = lanczos3((lo + k + 0.5 - center) / stretch);
            std::int16_t* w = &weights[static_cast<std::size_t>(i) * taps];
            std::int32_t sum = 0;
            int largest = 0;
            for (int k = 0; k < n; ++k) {
                const double normalised = total != 0 ? raw[k] / total : (k == 0 ? 1.0 : 0.0);
                w[k] = static_cast<std::int16_t>(
                    std::clamp<long>(std::lround(normalised * one), -one, one * 3 / 2));
                sum += w[k];
                if (w[k] > w[largest]) largest = k;
            }
            // Rounding must not change a flat area's value.
            w[largest] = static_cast<std::int16_t>(w[largest] + (one - sum));
            first[i] = std::min(lo, in - n);
            count[i] = n;
        }
    }
    const std::int16_t* weightsOf(int i) const { return &weights[static_cast<std::size_t>(i) * taps]; }
};

inline std::uint8_t clampSample(std::int32_t v) {
    v >>= fractionBits;
    return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

// Stores RGBA sums; the last pass also lowers every colour channel to its alpha, which the
// kernel's ringing can leave below the colour.
void store(const std::int32_t* sums, int length, std::uint8_t* target, bool clip) {
    for (int i = 0; i < length; i += 4) {
        const std::uint8_t alpha = clampSample(sums[i + 3]);
        const std::uint8_t limit = clip ? alpha : 255;
        target[i] = std::min(clampSample(sums[i]), limit);
        target[i + 1] = std::min(clampSample(sums[i + 1]), limit);
        target[i + 2] = std::min(clampSample(sums[i + 2]), limit);
        target[i + 3] = alpha;
    }
}

#if defined(__SSE2__)
// Two taps at a time: the channels of two neighbouring pixels are paired as 16-bit values, and
// one multiply-add of the paired weights sums both into four 32-bit lanes.
void scaleRow(const std::uint8_t* source, std::uint8_t* target, const Filter& filter, int width, bool clip) {
    const __m128i zero = _mm_setzero_si128();
    alignas(16) std::int32_t sums[4];
    for (int x = 0; x < width; ++x) {
        const std::uint8_t* s = source + 4 * static_cast<std::ptrdiff_t>(filter.first[x]);
        const std::int16_t* w = filter.weightsOf(x);
        const int n = filter.count[x];
        __m128i sum = _mm_set1_epi32(half);
        int k = 0;
        for (; k + 1 < n; k += 2) {
            const __m128i pixels =
                _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(s + 4 * k)), zero);
            const __m128i pairs = _mm_unpacklo_epi16(pixels, _mm_srli_si128(pixels, 8));
            const __m128i weights =
                _mm_set1_epi32(static_cast<int>(static_cast<std::uint16_t>(w[k])) |
                               static_cast<int>(static_cast<std::uint32_t>(w[k + 1]) << 16));
            sum = _mm_add_epi32(sum, _mm_madd_epi16(pairs, weights));
        }
        if (k < n) {
            std::int32_t packed;
            std::memcpy(&packed, s + 4 * k, 4);
            const __m128i pixel =
                _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(packed), zero), zero);
            sum = _mm_add_epi32(sum, _mm_madd_epi16(pixel, _mm_set1_epi32(static_cast<std::uint16_t>(w[k]))));
        }
        _mm_store_si128(reinterpret_cast<__m128i*>(sums), sum);
        store(sums, 4, target + 4 * static_cast<std::ptrdiff_t>(x), clip);
    }
}
#else
void scaleRow(const std::uint8_t* source, std::uint8_t* target, const Filter& filter, int width, bool clip) {
    std::int32_t sums[4];
    for (int x = 0; x < width; ++x) {
        const std::uint8_t* s = source + 4 * static_cast<std::ptrdiff_t>(filter.first[x]);
        const std::int16_t* w = filter.weightsOf(x);
        std::fill(sums, sums + 4, half);
        for (int k = 0; k < filter.count[x]; ++k, s += 4)
            for (int c = 0; c < 4; ++c)
                sums[c] += s[c] * w[k];
        store(sums, 4, target + 4 * static_cast<std::ptrdiff_t>(x), clip);
    }
}
#endif

// One output row from `count` input rows `stride` bytes apart. Most of the row is summed in
// blocks of a fixed length, which the compiler vectorises.
void scaleColumn(const std::uint8_t* rows, std::ptrdiff_t stride, const std::int16_t* w, int count,
                 std::int32_t* __restrict sums, int length, std::uint8_t* target, bool clip) {
    constexpr int block = 32;
    const int blocked = length / block * block;
    std::fill(sums, sums + length, half);
    for (int k = 0; k < count; ++k) {
        const std::uint8_t* __restrict row = rows + k * stride;
        const std::int16_t weight = w[k];
        for (int i = 0; i < blocked; i += block)
            for (int j = 0; j < block; ++j)
                sums[i + j] += static_cast<std::int16_t>(row[i + j]) * weight;
        for (int i = blocked; i < length; ++i)
            sums[i] += row[i] * weight;
    }
    store(sums, length, target, clip);
}

} // namespace

bool lanczosScale(const QImage& source, QImage& target) {
    const int sw = source.width(), sh = source.height();
    const int tw = target.width(), th = target.height();
    if (sw < 1 || sh < 1 || tw < 1 || th < 1) return false;
    std::optional<Filter> horizontal, vertical;
    try {
        horizontal.emplace(sw, tw);
        vertical.emplace(sh, th);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const uchar* sourceBits = source.constBits();
    const qsizetype sourceStride = source.bytesPerLine();
    uchar* targetBits = target.bits();
    const qsizetype targetStride = target.bytesPerLine();

    // The row pass sums pixel by pixel and the column pass whole rows at once, which is several
    // times faster: the column pass runs first when it removes rows.
    const bool columnsFirst = th < sh;
    const int middleWidth = columnsFirst ? sw : tw, middleHeight = columnsFirst ? th : sh;
    const std::ptrdiff_t stride = 4 * static_cast<std::ptrdiff_t>(middleWidth);
    const auto intermediate = AnonymousMemory::map(static_cast<std::size_t>(stride) * middleHeight);
    if (!intermediate) return false;
    auto* middle = static_cast<std::uint8_t*>(intermediate->address);

    const auto columns = [&](const uchar* from, qsizetype fromStride, uchar* to, qsizetype toStride,
                             int width, bool clip) {
        return parallelRows(th, [&](int begin, int end) {
            std::vector<std::int32_t> sums(4 * static_cast<std::size_t>(width));
            for (int y = begin; y < end; ++y)
                scaleColumn(from + vertical->first[y] * fromStride, fromStride, vertical->weightsOf(y),
                            vertical->count[y], sums.data(), 4 * width, to + y * toStride, clip);
        });
    };
    const auto rows = [&](const uchar* from, qsizetype fromStride, uchar* to, qsizetype toStride, int height,
                          bool clip) {
        return parallelRows(height, [&](int begin, int end) {
            for (int y = begin; y < end; ++y)
                scaleRow(from + y * fromStride, to + y * toStride, *horizontal, tw, clip);
        });
    };
    const bool scaled = columnsFirst ? columns(sourceBits, sourceStride, middle, stride, sw, false) &&
                                           rows(middle, stride, targetBits, targetStride, th, true)
                                     : rows(sourceBits, sourceStride, middle, stride, sh, false) &&
                                           columns(middle, stride, targetBits, targetStride, tw, true);
    AnonymousMemory::unmap(*intermediate);
    return scaled;
}

} // namespace quorvane
