#include "scrolling/RowDifferences.h"

#include <cstdlib>

#if defined(__SSE2__) && !defined(QUORVANE_PORTABLE)
#include <emmintrin.h>
#endif

namespace quorvane::RowDifferences {

#if defined(__SSE2__) && !defined(QUORVANE_PORTABLE)

namespace {
inline __m128i load(const void* p) {
    return _mm_loadu_si128(static_cast<const __m128i*>(p));
}
} // namespace

std::uint32_t sum(const std::uint8_t* a, const std::uint8_t* b, int n) {
    __m128i total = _mm_setzero_si128();
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i x = load(a + i);
        const __m128i y = load(b + i);
        total = _mm_add_epi64(total, _mm_sad_epu8(x, y));
    }
    auto result = static_cast<std::uint32_t>(_mm_cvtsi128_si32(total) +
                                             _mm_cvtsi128_si32(_mm_unpackhi_epi64(total, total)));
    for (; i < n; ++i)
        result += static_cast<std::uint32_t>(std::abs(a[i] - b[i]));
    return result;
}

std::uint64_t sum(const std::uint16_t* a, const std::uint16_t* b, int n) {
    const __m128i ones = _mm_set1_epi16(1);
    __m128i total = _mm_setzero_si128();
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m128i x = load(a + i);
        const __m128i y = load(b + i);
        const __m128i difference = _mm_or_si128(_mm_subs_epu16(x, y), _mm_subs_epu16(y, x));
        // Values below 32768 stay positive as signed words; the pairs add up in 32 bits.
        total = _mm_add_epi32(total, _mm_madd_epi16(difference, ones));
    }
    alignas(16) std::int32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), total);
    std::uint64_t result = static_cast<std::uint64_t>(lanes[0]) + static_cast<std::uint64_t>(lanes[1]) +
                           static_cast<std::uint64_t>(lanes[2]) + static_cast<std::uint64_t>(lanes[3]);
    for (; i < n; ++i)
        result += static_cast<std::uint64_t>(std::abs(a[i] - b[i]));
    return result;
}

int countAtLeast(const std::uint8_t* a, const std::uint8_t* b, int n, int threshold) {
    const __m128i limit = _mm_set1_epi8(static_cast<char>(threshold));
    const __m128i one = _mm_set1_epi8(1);
    __m128i total = _mm_setzero_si128();
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i x = load(a + i);
        const __m128i y = load(b + i);
        const __m128i difference = _mm_or_si128(_mm_subs_epu8(x, y), _mm_subs_epu8(y, x));
        const __m128i atLeast = _mm_cmpeq_epi8(_mm_max_epu8(difference, limit), difference);
        // Ones where the difference is large enough, summed by the byte-sum instruction.
        total = _mm_add_epi64(total, _mm_sad_epu8(_mm_and_si128(atLeast, one), _mm_setzero_si128()));
    }
    int count = _mm_cvtsi128_si32(total) + _mm_cvtsi128_si32(_mm_unpackhi_epi64(total, total));
    for (; i < n; ++i)
        count += std::abs(a[i] - b[i]) >= threshold ? 1 : 0;
    return count;
}

#else

std::uint32_t sum(const std::uint8_t* a, const std::uint8_t* b, int n) {
    std::uint32_t result = 0;
    for (int i = 0; i < n; ++i)
        result += static_cast<std::uint32_t>(std::abs(a[i] - b[i]));
    return result;
}

std::uint64_t sum(const std::uint16_t* a, const std::uint16_t* b, int n) {
    std::uint64_t result = 0;
    for (int i = 0; i < n; ++i)
        result += static_cast<std::uint64_t>(std::abs(a[i] - b[i]));
    return result;
}

int countAtLeast(const std::uint8_t* a, const std::uint8_t* b, int n, int threshold) {
    int count = 0;
    for (int i = 0; i < n; ++i)
        count += std::abs(a[i] - b[i]) >= threshold ? 1 : 0;
    return count;
}

#endif

} // namespace quorvane::RowDifferences
