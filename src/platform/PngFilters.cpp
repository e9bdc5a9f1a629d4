#include "platform/PngFilters.h"

#include <algorithm>
#include <cstdlib>

// A portable build (QUORVANE_PORTABLE) takes the plain path on x86 too, so that the path other
// processors run is built and tested here.
#if defined(__SSE2__) && !defined(QUORVANE_PORTABLE)
#define QUORVANE_PNG_SSE2 1
#include <emmintrin.h>
#endif

namespace quorvane::PngFilters {
namespace {

constexpr int filterCount = 5;

inline std::uint8_t paethPredictor(int a, int b, int c) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    if (pa <= pb && pa <= pc) return static_cast<std::uint8_t>(a);
    return static_cast<std::uint8_t>(pb <= pc ? b : c);
}

// The residual of filter `f` at byte `i`.
inline std::uint8_t residual(const std::uint8_t* row, const std::uint8_t* previous, std::ptrdiff_t i, int bpp,
                             int f) {
    const int x = row[i], a = row[i - bpp], b = previous[i], c = previous[i - bpp];
    switch (f) {
    case 0:
        return static_cast<std::uint8_t>(x);
    case 1:
        return static_cast<std::uint8_t>(x - a);
    case 2:
        return static_cast<std::uint8_t>(x - b);
    case 3:
        return static_cast<std::uint8_t>(x - ((a + b) >> 1));
    default:
        return static_cast<std::uint8_t>(x - paethPredictor(a, b, c));
    }
}

#ifdef QUORVANE_PNG_SSE2

// Sums of min(r, 256 − r) over residual bytes r: the absolute value of r read as signed.
inline __m128i cost(__m128i residual) {
    return _mm_sad_epu8(_mm_min_epu8(residual, _mm_sub_epi8(_mm_setzero_si128(), residual)),
                        _mm_setzero_si128());
}

// floor((a + b) / 2) per byte; pavgb rounds up.
inline __m128i average(__m128i a, __m128i b) {
    return _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), _mm_set1_epi8(1)));
}

// The Paeth predictor per byte, on 16-bit lanes.
inline __m128i paethHalf(__m128i a, __m128i b, __m128i c) {
    const __m128i bc = _mm_sub_epi16(b, c);
    const __m128i ac = _mm_sub_epi16(a, c);
    const auto magnitude = [](__m128i v) { return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v)); };
    const __m128i pa = magnitude(bc);
    const __m128i pb = magnitude(ac);
    const __m128i pc = magnitude(_mm_add_epi16(bc, ac));
    const __m128i smallest = _mm_min_epi16(pc, _mm_min_epi16(pa, pb));
    const __m128i takeA = _mm_cmpeq_epi16(smallest, pa);
    const __m128i takeB = _mm_andnot_si128(takeA, _mm_cmpeq_epi16(smallest, pb));
    const __m128i takeC = _mm_andnot_si128(_mm_or_si128(takeA, takeB), _mm_set1_epi16(-1));
    return _mm_or_si128(_mm_or_si128(_mm_and_si128(takeA, a), _mm_and_si128(takeB, b)),
                        _mm_and_si128(takeC, c));
}

inline __m128i paeth(__m128i a, __m128i b, __m128i c) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i low =
        paethHalf(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero), _mm_unpacklo_epi8(c, zero));
    const __m128i high =
        paethHalf(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero), _mm_unpackhi_epi8(c, zero));
    return _mm_packus_epi16(low, high);
}

inline __m128i load(const std::uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

struct Block {
    __m128i x, a, b, c;
};

[[gnu::always_inline]] inline Block blockAt(const std::uint8_t* row, const std::uint8_t* previous,
                                            std::size_t at, int bpp) {
    const auto offset = static_cast<std::ptrdiff_t>(at);
    return Block{load(row + offset), load(row + offset - bpp), load(previous + offset),
                 load(previous + offset - bpp)};
}

template<int Filter>
[[gnu::always_inline]] inline __m128i residualOf(const Block& p) {
    if constexpr (Filter == 0) return p.x;
    if constexpr (Filter == 1) return _mm_sub_epi8(p.x, p.a);
    if constexpr (Filter == 2) return _mm_sub_epi8(p.x, p.b);
    if constexpr (Filter == 3) return _mm_sub_epi8(p.x, average(p.a, p.b));
    return _mm_sub_epi8(p.x, paeth(p.a, p.b, p.c));
}

template<int Filter>
void store(const std::uint8_t* row, const std::uint8_t* previous, std::size_t size, int bpp,
           std::uint8_t* target) {
    // Whole blocks; the last one may spill up to `slack` bytes past the row.
    for (std::size_t at = 0; at < size; at += 16)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + at),
                         residualOf<Filter>(blockAt(row, previous, at, bpp)));
}

void filterRowSse2(const std::uint8_t* row, const std::uint8_t* previous, std::size_t size, int bpp,
                   std::uint8_t* out) {
    __m128i sums[filterCount] = {};
    const auto add = [&](const Block& p, __m128i mask) {
        sums[0] = _mm_add_epi64(sums[0], cost(_mm_and_si128(residualOf<0>(p), mask)));
        sums[1] = _mm_add_epi64(sums[1], cost(_mm_and_si128(residualOf<1>(p), mask)));
        sums[2] = _mm_add_epi64(sums[2], cost(_mm_and_si128(residualOf<2>(p), mask)));
        sums[3] = _mm_add_epi64(sums[3], cost(_mm_and_si128(residualOf<3>(p), mask)));
        sums[4] = _mm_add_epi64(sums[4], cost(_mm_and_si128(residualOf<4>(p), mask)));
    };
    std::size_t i = 0;
    for (; i + 16 <= size; i += 16)
        add(blockAt(row, previous, i, bpp), _mm_set1_epi8(-1));
    // The last partial block: bytes past the row are masked out of the sums.
    if (i < size) {
        alignas(16) std::uint8_t mask[16] = {};
        std::fill(mask, mask + (size - i), 0xFF);
        add(blockAt(row, previous, i, bpp), load(mask));
    }
    std::uint64_t totals[filterCount];
    for (int f = 0; f < filterCount; ++f)
        totals[f] = static_cast<std::uint64_t>(_mm_cvtsi128_si64(sums[f])) +
                    static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums[f], sums[f])));
    const int filter = static_cast<int>(std::min_element(totals, totals + filterCount) - totals);
    out[0] = static_cast<std::uint8_t>(filter);
    constexpr void (*stores[filterCount])(const std::uint8_t*, const std::uint8_t*, std::size_t, int,
                                          std::uint8_t*) = {store<0>, store<1>, store<2>, store<3>, store<4>};
    stores[filter](row, previous, size, bpp, out + 1);
}

#endif

} // namespace

void filterRowPortable(const std::uint8_t* row, const std::uint8_t* previous, std::size_t size, int bpp,
                       std::uint8_t* out) {
    std::uint64_t totals[filterCount] = {};
    for (std::size_t i = 0; i < size; ++i)
        for (int f = 0; f < filterCount; ++f) {
            const unsigned r = residual(row, previous, static_cast<std::ptrdiff_t>(i), bpp, f);
            totals[f] += std::min(r, 256 - r);
        }
    const int filter = static_cast<int>(std::min_element(totals, totals + filterCount) - totals);
    out[0] = static_cast<std::uint8_t>(filter);
    for (std::size_t i = 0; i < size; ++i)
        out[1 + i] = residual(row, previous, static_cast<std::ptrdiff_t>(i), bpp, filter);
}

void filterRow(const std::uint8_t* row, const std::uint8_t* previous, std::size_t size, int bpp,
               std::uint8_t* out) {
#ifdef QUORVANE_PNG_SSE2
    filterRowSse2(row, previous, size, bpp, out);
#else
    filterRowPortable(row, previous, size, bpp, out);
#endif
}

bool vectorised() {
#ifdef QUORVANE_PNG_SSE2
    return true;
#else
    return false;
#endif
}

} // namespace quorvane::PngFilters
