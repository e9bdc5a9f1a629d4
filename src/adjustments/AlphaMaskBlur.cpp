#include "adjustments/AlphaMaskBlur.h"

#include "adjustments/ParallelRows.h"
#include "platform/AnonymousMemory.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

namespace quorvane {
namespace {

// About a quarter of a million pixels per thread: a box pass costs about a nanosecond a pixel.
constexpr int pixelsPerThread = 1 << 18;

int minLinesPerThread(int lineLength) {
    return std::max(64, pixelsPerThread / std::max(lineLength, 1));
}

void releaseMapping(void* info) {
    auto* mapping = static_cast<AnonymousMemory::Mapping*>(info);
    AnonymousMemory::unmap(*mapping);
    delete mapping;
}

// Sums times `inverse` (2^16 / width) give the box mean; 32 bits hold every product.
struct Box {
    int radius;
    std::uint32_t inverse;
    explicit Box(int width)
        : radius((width - 1) / 2),
          inverse((65536u + static_cast<std::uint32_t>(width) / 2) / static_cast<std::uint32_t>(width)) {}
    std::uint8_t mean(std::uint32_t sum) const {
        const std::uint32_t v = (sum * inverse + 32768u) >> 16;
        return static_cast<std::uint8_t>(v > 255 ? 255 : v);
    }
};

// The column pass works on whole lines: blocks of a fixed length, which the compiler vectorises,
// then the rest one by one.
constexpr int block = 16;

void addLine(std::uint32_t* __restrict sums, const std::uint8_t* __restrict line, int n) {
    int i = 0;
    for (; i + block <= n; i += block)
        for (int j = 0; j < block; ++j)
            sums[i + j] += line[i + j];
    for (; i < n; ++i)
        sums[i] += line[i];
}

void subtractLine(std::uint32_t* __restrict sums, const std::uint8_t* __restrict line, int n) {
    int i = 0;
    for (; i + block <= n; i += block)
        for (int j = 0; j < block; ++j)
            sums[i + j] -= line[i + j];
    for (; i < n; ++i)
        sums[i] -= line[i];
}

void storeMeans(std::uint8_t* __restrict line, const std::uint32_t* __restrict sums, int n, const Box& box) {
    const std::uint32_t inverse = box.inverse;
    const auto mean = [inverse](std::uint32_t sum) {
        const std::uint32_t v = (sum * inverse + 32768u) >> 16;
        return static_cast<std::uint8_t>(v > 255 ? 255 : v);
    };
    int i = 0;
    for (; i + block <= n; i += block)
        for (int j = 0; j < block; ++j)
            line[i + j] = mean(sums[i + j]);
    for (; i < n; ++i)
        line[i] = mean(sums[i]);
}

// Row pointers are taken once: QImage::scanLine() is not safe to call from several threads.
bool boxRows(const QImage& from, QImage& to, const Box& box) {
    const int width = from.width();
    uchar* target = to.bits();
    const qsizetype stride = to.bytesPerLine();
    return parallelRows(
        from.height(),
        [&](int begin, int end) {
            for (int y = begin; y < end; ++y) {
                const std::uint8_t* s = from.constScanLine(y);
                std::uint8_t* d = target + y * stride;
                std::uint32_t sum = 0;
                for (int x = 0; x <= box.radius && x < width; ++x)
                    sum += s[x];
                for (int x = 0; x < width; ++x) {
                    d[x] = box.mean(sum);
                    if (x + box.radius + 1 < width) sum += s[x + box.radius + 1];
                    if (x - box.radius >= 0) sum -= s[x - box.radius];
                }
            }
        },
        minLinesPerThread(width));
}

bool boxColumns(const QImage& from, QImage& to, const Box& box) {
    const int height = from.height();
    uchar* target = to.bits();
    const qsizetype stride = to.bytesPerLine();
    return parallelRows(
        from.width(),
        [&](int begin, int end) {
            const int n = end - begin;
            std::vector<std::uint32_t> sums(static_cast<std::size_t>(n), 0);
            for (int y = 0; y <= box.radius && y < height; ++y)
                addLine(sums.data(), from.constScanLine(y) + begin, n);
            for (int y = 0; y < height; ++y) {
                storeMeans(target + y * stride + begin, sums.data(), n, box);
                if (y + box.radius + 1 < height)
                    addLine(sums.data(), from.constScanLine(y + box.radius + 1) + begin, n);
                if (y - box.radius >= 0)
                    subtractLine(sums.data(), from.constScanLine(y - box.radius) + begin, n);
            }
        },
        minLinesPerThread(height));
}

} // namespace

std::array<int, 3> boxBlurWidths(double sigma) {
    if (!std::isfinite(sigma) || sigma <= 0) return {1, 1, 1};
    // The standard split (as in "boxes for Gauss"): m boxes of an odd width wl, the rest wl + 2.
    const double variance12 = 12 * sigma * sigma;
    int lower = static_cast<int>(std::floor(std::sqrt(variance12 / 3 + 1)));
    if (lower % 2 == 0) --lower;
    const double m = std::round((variance12 - 3.0 * lower * lower - 12.0 * lower - 9) / (-4.0 * lower - 4));
    std::array<int, 3> widths{};
    for (int i = 0; i < 3; ++i)
        widths[i] = i < m ? lower : lower + 2;
    return widths;
}

std::optional<QImage> mappedAlphaMask(int width, int height) {
    if (width < 1 || height < 1 || width > (INT_MAX - 63)) return std::nullopt;
    const qsizetype stride = (static_cast<qsizetype>(width) + 63) / 64 * 64;
    const auto mapping =
        AnonymousMemory::map(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
    if (!mapping) return std::nullopt;
    auto* info = new AnonymousMemory::Mapping(*mapping);
    QImage mask(static_cast<uchar*>(mapping->address), width, height, stride, QImage::Format_Alpha8,
                releaseMapping, info);
    if (mask.isNull()) {
        releaseMapping(info);
        return std::nullopt;
    }
    return mask;
}

bool blurAlphaMask(QImage& mask, double sigma) {
    const auto widths = boxBlurWidths(sigma);
    if (widths == std::array<int, 3>{1, 1, 1} || mask.isNull()) return true;
    auto scratch = mappedAlphaMask(mask.width(), mask.height());
    if (!scratch) return false;
    for (int width : widths) {
        const Box box(width);
        if (!boxRows(mask, *scratch, box) || !boxColumns(*scratch, mask, box)) return false;
    }
    return true;
}

} // namespace quorvane
