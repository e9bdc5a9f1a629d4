#include "recognition/SmartSelection.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

// A portable build (QUORVANE_PORTABLE, and every build off x86) compares one pixel at a time.
#if defined(__SSE2__) && !defined(QUORVANE_PORTABLE)
#define QUORVANE_SMART_SELECTION_SSE2 1
#include <emmintrin.h>
#endif

namespace quorvane::SmartSelection {

namespace {

// An edge is a step of at least this much in one channel, whatever the tolerance.
constexpr int edgeStep = 4;

// The region bitmap and the colour test. A click on a large panel tests every pixel about three
// times (its own run and the walks of the rows above and below), so the test looks at four
// pixels at once.
class Trace {
public:
    Trace(const EdgeGrid& grid, int tolerance)
        : width_(grid.width()), height_(grid.height()), bytes_(grid.bytes().data()),
          region_((std::size_t(width_) * std::size_t(height_) + 63) / 64 + 1, 0),
          tolerance_(std::clamp(tolerance, 0, 255)) {
#ifdef QUORVANE_SMART_SELECTION_SSE2
        toleranceVector_ = _mm_set1_epi8(char(tolerance_));
#endif
    }

    bool inRegion(std::size_t i) const {
        return (region_[i >> 6] >> (i & 63)) & 1;
    }
    void setSeed(std::size_t i) {
        std::uint32_t seed;
        std::memcpy(&seed, bytes_ + i * 4, 4);
        std::memcpy(seedBytes_, bytes_ + i * 4, 4);
#ifdef QUORVANE_SMART_SELECTION_SSE2
        seed_ = _mm_set1_epi32(int(seed));
#endif
    }
    bool open(std::size_t i) const {
        return !inRegion(i) && (closeMask(i, 1) & 1);
    }
    // Bit k set when pixel i + k (k < count ≤ 16) is open. Pixels already in the region (the
    // row the trace came from) are not compared at all.
    unsigned openMask(std::size_t i, int count) const {
        const unsigned wanted = count == 32 ? ~0u : (1u << count) - 1;
        const unsigned free = ~regionBits(i) & wanted;
        if (free == 0) return 0;
        unsigned close = 0;
        for (int k = 0; k < count; k += 4)
            close |= closeMask(i + std::size_t(k), std::min(4, count - k)) << k;
        return close & free;
    }
    void fill(std::size_t from, std::size_t to) {
        for (std::size_t i = from; i <= to;) {
            const std::size_t bit = i & 63, span = std::min<std::size_t>(64 - bit, to - i + 1);
            region_[i >> 6] |= (span == 64 ? ~std::uint64_t(0) : ((std::uint64_t(1) << span) - 1)) << bit;
            i += span;
        }
    }
    bool differs(std::size_t inside, std::size_t outside) const {
        for (int c = 0; c < 4; ++c)
            if (std::abs(int(bytes_[inside * 4 + std::size_t(c)]) -
                         int(bytes_[outside * 4 + std::size_t(c)])) >= edgeStep)
                return true;
        return false;
    }

    const int width_, height_;

private:
    unsigned closeMask(std::size_t i, int count) const {
#ifndef QUORVANE_SMART_SELECTION_SSE2
        unsigned mask = 0;
        for (int k = 0; k < count; ++k) {
            const std::uint8_t* pixel = bytes_ + (i + std::size_t(k)) * 4;
            bool close = true;
            for (int c = 0; c < 4 && close; ++c)
                close = std::abs(int(pixel[c]) - int(seedBytes_[c])) <= tolerance_;
            mask |= unsigned(close) << k;
        }
        return mask;
#else
        __m128i pixels;
        if (count == 4) {
            pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes_ + i * 4));
        } else {
            alignas(16) std::uint8_t buffer[16] = {};
            std::memcpy(buffer, bytes_ + i * 4, std::size_t(count) * 4);
            pixels = _mm_load_si128(reinterpret_cast<const __m128i*>(buffer));
        }
        const __m128i difference = _mm_or_si128(_mm_subs_epu8(pixels, seed_), _mm_subs_epu8(seed_, pixels));
        const __m128i beyond = _mm_subs_epu8(difference, toleranceVector_);
        const __m128i close = _mm_cmpeq_epi32(beyond, _mm_setzero_si128());
        return unsigned(_mm_movemask_ps(_mm_castsi128_ps(close)));
#endif
    }
    // The region bits of pixels i … i + 15.
    unsigned regionBits(std::size_t i) const {
        const std::size_t word = i >> 6, bit = i & 63;
        std::uint64_t bits = region_[word] >> bit;
        if (bit > 48) bits |= region_[word + 1] << (64 - bit);
        return unsigned(bits & 0xFFFF);
    }

    const std::uint8_t* bytes_;
    std::vector<std::uint64_t> region_; // one spare word for regionBits
    std::uint8_t seedBytes_[4] = {};
    const int tolerance_;
#ifdef QUORVANE_SMART_SELECTION_SSE2
    __m128i seed_ = _mm_setzero_si128();
    __m128i toleranceVector_ = _mm_setzero_si128();
#endif
};

struct Pair {
    std::size_t inside, outside;
};

// Fewer than half of a side's pairs crossing a real edge makes the side fuzzy.
bool crisp(const Trace& trace, const std::vector<Pair>& pairs) {
    std::size_t kept = 0;
    for (const Pair& pair : pairs)
        if (trace.differs(pair.inside, pair.outside)) ++kept;
    return pairs.size() <= 2 * kept;
}

} // namespace

Outcome region(const EdgeGrid& grid, QPointF point, int tolerance, long long maxPixels,
               std::chrono::steady_clock::duration timeLimit, const Clock& now) {
    using C = Outcome::Case;
    if (!std::isfinite(point.x()) || !std::isfinite(point.y())) return {C::unavailable, {}};
    const int width = grid.width(), height = grid.height();
    if (point.x() < 0 || point.y() < 0 || point.x() >= width || point.y() >= height)
        return {C::unavailable, {}};
    const int seedX = int(point.x()), seedY = int(point.y());
    if (grid.bytes().data() == nullptr) return {C::unavailable, {}};

    Trace trace(grid, tolerance);
    const auto index = [width](int x, int y) { return std::size_t(y) * std::size_t(width) + std::size_t(x); };
    trace.setSeed(index(seedX, seedY));
    struct Position {
        int x, y;
    };
    std::vector<Position> stack{{seedX, seedY}};
    const auto deadline = now() + timeLimit;
    long long runs = 0, pixels = 0;
    int minX = seedX, maxX = seedX, minY = seedY, maxY = seedY;
    while (!stack.empty()) {
        const Position p = stack.back();
        stack.pop_back();
        if (!trace.open(index(p.x, p.y))) continue;
        int left = p.x, right = p.x;
        while (left > 0 && trace.open(index(left - 1, p.y)))
            --left;
        // Rightwards 16 at a time: the stretch start pushed from a neighbouring row is its left end.
        while (right < width - 1) {
            const int count = std::min(16, width - 1 - right);
            const unsigned open = trace.openMask(index(right + 1, p.y), count);
            const int run = std::countr_one(open);
            right += run;
            if (run < count) break;
        }
        trace.fill(index(left, p.y), index(right, p.y));
        pixels += right - left + 1;
        minX = std::min(minX, left), maxX = std::max(maxX, right);
        minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
        if (minX == 0 && minY == 0 && maxX == width - 1 && maxY == height - 1)
            return {C::touchesEveryEdge, {}};
        ++runs;
        if (pixels > maxPixels) return {C::tooLarge, {}};
        if (runs % 128 == 0 && now() > deadline) return {C::tooLarge, {}};
        for (const int row : {p.y - 1, p.y + 1}) {
            if (row < 0 || row >= height) continue;
            bool previousOpen = false;
            for (int nx = left; nx <= right; nx += 16) {
                const int count = std::min(16, right - nx + 1);
                const unsigned open = trace.openMask(index(nx, row), count);
                // Starts of open stretches: open pixels whose left neighbour in the walk is not.
                const unsigned starts = open & ~((open << 1) | (previousOpen ? 1u : 0u));
                for (unsigned bits = starts; bits != 0; bits &= bits - 1)
                    stack.push_back({nx + std::countr_zero(bits), row});
                previousOpen = (open >> (count - 1)) & 1;
            }
        }
    }

    if (maxX - minX + 1 < 4 || maxY - minY + 1 < 4) return {C::tooSmall, {}};
    std::vector<Pair> pairs;
    const auto judge = [&](bool onBorder, auto&& collect) {
        if (onBorder) return true;
        pairs.clear();
        collect();
        return crisp(trace, pairs);
    };
    const auto column = [&](int x, int outsideX) {
        for (int y = minY; y <= maxY; ++y)
            if (trace.inRegion(index(x, y))) pairs.push_back({index(x, y), index(outsideX, y)});
    };
    const auto row = [&](int y, int outsideY) {
        for (int x = minX; x <= maxX; ++x)
            if (trace.inRegion(index(x, y))) pairs.push_back({index(x, y), index(x, outsideY)});
    };
    if (!judge(minX < 1, [&] { column(minX, minX - 1); }) ||
        !judge(maxX >= width - 1, [&] { column(maxX, maxX + 1); }) ||
        !judge(minY < 1, [&] { row(minY, minY - 1); }) ||
        !judge(maxY >= height - 1, [&] { row(maxY, maxY + 1); }))
        return {C::noClearEdge, {}};
    return {C::region, QRectF(minX, minY, maxX - minX + 1, maxY - minY + 1)};
}

} // namespace quorvane::SmartSelection
