#include "recognition/AreaColorSampler.h"

#include "core/Geometry.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

// A portable build (QUORVANE_PORTABLE, and every build off x86) walks one pixel at a time.
#if defined(__SSE2__) && !defined(QUORVANE_PORTABLE)
#define QUORVANE_AREA_COLORS_SSE2 1
#include <emmintrin.h>
#endif

namespace quorvane::AreaColorSampler {

namespace {

constexpr int bins = 32 * 32 * 32; // 5 bits a channel
constexpr int opaqueEnough = 128;  // lighter pixels have no trustworthy straight colour
constexpr int textMinimum = 3;     // pixels a text colour needs
constexpr double textDistance = 80.0;

struct Straight {
    int red, green, blue;
};

// A pixel as stored, four bytes red, green, blue, alpha read as one number (little-endian).
inline int byteOf(std::uint32_t pixel, int c) {
    return int(pixel >> (8 * c) & 0xFF);
}

inline Straight straight(std::uint32_t pixel) {
    const int a = byteOf(pixel, 3);
    if (a == 255) return {byteOf(pixel, 0), byteOf(pixel, 1), byteOf(pixel, 2)};
    const auto channel = [a](int c) { return std::min(255, (c * 255 + a / 2) / a); };
    return {channel(byteOf(pixel, 0)), channel(byteOf(pixel, 1)), channel(byteOf(pixel, 2))};
}

// Calls `flush(pixel, count)` for every run of equal pixels: screenshots are mostly runs, and a
// run costs one histogram update instead of one a pixel.
template<class Flush>
void forEachRun(const std::uint8_t* bytes, std::int64_t n, const Flush& flush) {
    std::uint32_t previous;
    std::memcpy(&previous, bytes, 4);
    std::int64_t run = 0, i = 0;
#ifdef QUORVANE_AREA_COLORS_SSE2
    // Four equal pixels at a time while the run lasts.
    __m128i repeated = _mm_set1_epi32(int(previous));
#endif
    for (; i < n; ++i) {
#ifdef QUORVANE_AREA_COLORS_SSE2
        while (i + 4 <= n) {
            const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i * 4));
            if (_mm_movemask_epi8(_mm_cmpeq_epi32(four, repeated)) != 0xFFFF) break;
            run += 4;
            i += 4;
        }
        if (i >= n) break;
#endif
        std::uint32_t pixel;
        std::memcpy(&pixel, bytes + i * 4, 4);
        if (pixel == previous) {
            ++run;
            continue;
        }
        flush(previous, run);
        previous = pixel;
#ifdef QUORVANE_AREA_COLORS_SSE2
        repeated = _mm_set1_epi32(int(pixel));
#endif
        run = 1;
    }
    flush(previous, run);
}

inline int binOf(const Straight& c) {
    return (c.red >> 3) << 10 | (c.green >> 3) << 5 | (c.blue >> 3);
}

std::uint8_t channel(std::int64_t sum, std::int64_t alphaSum) {
    return std::uint8_t(std::min(255.0, std::round(double(sum) * 255.0 / double(alphaSum))));
}

} // namespace

std::optional<AreaColors> sample(const QRectF& rect, const QImage& image) {
    if (!geom::isFinite(rect)) return std::nullopt;
    const QRectF r = geom::intersection(geom::integral(geom::standardized(rect)),
                                        QRectF(0, 0, image.width(), image.height()));
    if (geom::isNull(r) || geom::isEmpty(r)) return std::nullopt;
    const auto grid = EdgeGrid::make(image, r.toRect());
    if (!grid) return std::nullopt;
    const auto colors = sample(*grid);
    if (!colors) return std::nullopt;
    return AreaColors{r, colors->average, colors->text};
}

std::optional<Sample> sample(const EdgeGrid& grid) {
    const std::int64_t n = std::int64_t(grid.width()) * grid.height();
    if (n < 1) return std::nullopt;
    const std::uint8_t* bytes = grid.bytes().data();

    // Per bin: count and the sums of red, green and blue.
    std::vector<std::int64_t> histogram(std::size_t(bins) * 4, 0);
    std::int64_t sums[4] = {};
    forEachRun(bytes, n, [&](std::uint32_t pixel, std::int64_t run) {
        for (int c = 0; c < 4; ++c)
            sums[c] += run * byteOf(pixel, c);
        if (byteOf(pixel, 3) < opaqueEnough) return;
        const Straight c = straight(pixel);
        std::int64_t* bin = &histogram[std::size_t(binOf(c)) * 4];
        bin[0] += run, bin[1] += run * c.red, bin[2] += run * c.green, bin[3] += run * c.blue;
    });

    Sample result;
    if (sums[3] != 0) {
        result.average = {channel(sums[0], sums[3]), channel(sums[1], sums[3]), channel(sums[2], sums[3]),
                          std::uint8_t(std::round(double(sums[3]) / double(n)))};
    } else {
        result.average = {0, 0, 0, 0};
    }

    const auto count = [&](int bin) { return histogram[std::size_t(bin) * 4]; };
    const auto mean = [&](int bin, int c) {
        return double(histogram[std::size_t(bin) * 4 + 1 + c]) / double(count(bin));
    };
    int background = -1;
    for (int bin = 0; bin < bins; ++bin)
        if (count(bin) > 0 && (background < 0 || count(bin) > count(background))) background = bin;
    if (background < 0) return result;

    int text = -1;
    for (int bin = 0; bin < bins; ++bin) {
        if (bin == background || count(bin) < textMinimum) continue;
        const double dr = mean(bin, 0) - mean(background, 0), dg = mean(bin, 1) - mean(background, 1),
                     db = mean(bin, 2) - mean(background, 2);
        if (std::sqrt(dr * dr + dg * dg + db * db) < textDistance) continue;
        if (text < 0 || count(bin) > count(text)) text = bin;
    }
    if (text < 0) return result;

    // The bin's 512 exact colours, indexed by the low three bits of each channel: index order is
    // the order of red × 65,536 + green × 256 + blue.
    std::array<std::int64_t, 512> exact{};
    forEachRun(bytes, n, [&](std::uint32_t pixel, std::int64_t run) {
        if (byteOf(pixel, 3) < opaqueEnough) return;
        const Straight c = straight(pixel);
        if (binOf(c) == text) exact[std::size_t((c.red & 7) << 6 | (c.green & 7) << 3 | (c.blue & 7))] += run;
    });
    std::size_t best = 0;
    for (std::size_t i = 1; i < exact.size(); ++i)
        if (exact[i] > exact[best]) best = i;
    const int base = text;
    result.text = SampledColor{std::uint8_t((base >> 10 & 31) << 3 | int(best >> 6)),
                               std::uint8_t((base >> 5 & 31) << 3 | int(best >> 3 & 7)),
                               std::uint8_t((base & 31) << 3 | int(best & 7)), 255};
    return result;
}

} // namespace quorvane::AreaColorSampler
