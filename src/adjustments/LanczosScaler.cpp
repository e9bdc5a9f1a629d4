#include "adjustments/LanczosScaler.h"

#include "adjustments/ParallelRows.h"
#include "platform/AnonymousMemory.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

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

void scaleRow(const std::uint8_t* source, std::uint8_t* target, const Filter& filter, int width) {
    for (int x = 0; x < width; ++x) {
        const std::uint8_t* s = source + 4 * static_cast<std::ptrdiff_t>(filter.first[x]);
        const std::int16_t* w = filter.weightsOf(x);
        std::int32_t r = half, g = half, b = half, a = half;
        for (int k = 0; k < filter.count[x]; ++k, s += 4) {
            r += s[0] * w[k];
            g += s[1] * w[k];
            b += s[2] * w[k];
            a += s[3] * w[k];
        }
        std::uint8_t* t = target + 4 * static_cast<std::ptrdiff_t>(x);
        t[0] = clampSample(r);
        t[1] = clampSample(g);
        t[2] = clampSample(b);
        t[3] = clampSample(a);
    }
}

// One output row from `count` intermediate rows. The sums run in blocks of a fixed length so
// that the compiler vectorises them without a scalar tail.
void scaleColumn(const std::uint8_t* rows, std::ptrdiff_t stride, const std::int16_t* w, int count,
                 std::int32_t* sums, int length, std::uint8_t* target) {
    constexpr int block = 32;
    const int padded = (length + block - 1) / block * block;
    std::fill(sums, sums + padded, half);
    for (int k = 0; k < count; ++k) {
        const std::uint8_t* row = rows + k * stride;
        const std::int32_t weight = w[k];
        for (int i = 0; i < padded; i += block)
            for (int j = 0; j < block; ++j)
                sums[i + j] += static_cast<std::int16_t>(row[i + j]) * weight;
    }
    for (int i = 0; i < length; i += 4) {
        const std::uint8_t alpha = clampSample(sums[i + 3]);
        target[i] = std::min(clampSample(sums[i]), alpha);
        target[i + 1] = std::min(clampSample(sums[i + 1]), alpha);
        target[i + 2] = std::min(clampSample(sums[i + 2]), alpha);
        target[i + 3] = alpha;
    }
}

} // namespace

bool lanczosScale(const QImage& source, QImage& target) {
    const int sw = source.width(), sh = source.height();
    const int tw = target.width(), th = target.height();
    if (sw < 1 || sh < 1 || tw < 1 || th < 1) return false;
    const Filter horizontal(sw, tw);
    const Filter vertical(sh, th);

    // Intermediate rows, target wide and source high, padded so that the blocked column sums may
    // read past the last pixel of a row.
    const std::ptrdiff_t stride = (4 * static_cast<std::ptrdiff_t>(tw) + 63) / 64 * 64;
    const auto intermediate = AnonymousMemory::map(static_cast<std::size_t>(stride) * sh);
    if (!intermediate) return false;
    auto* middle = static_cast<std::uint8_t*>(intermediate->address);

    parallelRows(sh, [&](int begin, int end) {
        for (int y = begin; y < end; ++y)
            scaleRow(source.constScanLine(y), middle + y * stride, horizontal, tw);
    });
    uchar* targetBits = target.bits();
    const qsizetype targetStride = target.bytesPerLine();
    parallelRows(th, [&](int begin, int end) {
        std::vector<std::int32_t> sums(static_cast<std::size_t>(stride));
        for (int y = begin; y < end; ++y)
            scaleColumn(middle + vertical.first[y] * stride, stride, vertical.weightsOf(y), vertical.count[y],
                        sums.data(), 4 * tw, targetBits + y * targetStride);
    });
    AnonymousMemory::unmap(*intermediate);
    return true;
}

} // namespace quorvane
