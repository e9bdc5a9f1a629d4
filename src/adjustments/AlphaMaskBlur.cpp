#include "adjustments/AlphaMaskBlur.h"

#include "adjustments/ParallelRows.h"
#include "platform/AnonymousMemory.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

namespace quorvane {
namespace {

void releaseMapping(void* info) {
    auto* mapping = static_cast<AnonymousMemory::Mapping*>(info);
    AnonymousMemory::unmap(*mapping);
    delete mapping;
}

// Sums times `inverse` (2^24 / width) give the box mean.
struct Box {
    int radius;
    std::uint64_t inverse;
    explicit Box(int width)
        : radius((width - 1) / 2), inverse((std::uint64_t{1} << 24) / static_cast<std::uint64_t>(width)) {}
    std::uint8_t mean(std::uint64_t sum) const {
        const std::uint64_t v = (sum * inverse + (std::uint64_t{1} << 23)) >> 24;
        return static_cast<std::uint8_t>(v > 255 ? 255 : v);
    }
};

// Row pointers are taken once: QImage::scanLine() is not safe to call from several threads.
void boxRows(const QImage& from, QImage& to, const Box& box) {
    const int width = from.width();
    uchar* target = to.bits();
    const qsizetype stride = to.bytesPerLine();
    parallelRows(from.height(), [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const std::uint8_t* s = from.constScanLine(y);
            std::uint8_t* d = target + y * stride;
            std::uint64_t sum = 0;
            for (int x = 0; x <= box.radius && x < width; ++x)
                sum += s[x];
            for (int x = 0; x < width; ++x) {
                d[x] = box.mean(sum);
                if (x + box.radius + 1 < width) sum += s[x + box.radius + 1];
                if (x - box.radius >= 0) sum -= s[x - box.radius];
            }
        }
    });
}

void boxColumns(const QImage& from, QImage& to, const Box& box) {
    const int height = from.height();
    uchar* target = to.bits();
    const qsizetype stride = to.bytesPerLine();
    parallelRows(from.width(), [&](int begin, int end) {
        std::vector<std::uint32_t> sums(static_cast<std::size_t>(end - begin), 0);
        for (int y = 0; y <= box.radius && y < height; ++y) {
            const std::uint8_t* s = from.constScanLine(y) + begin;
            for (int i = 0; i < end - begin; ++i)
                sums[i] += s[i];
        }
        for (int y = 0; y < height; ++y) {
            std::uint8_t* d = target + y * stride + begin;
            for (int i = 0; i < end - begin; ++i)
                d[i] = box.mean(sums[i]);
            if (y + box.radius + 1 < height) {
                const std::uint8_t* s = from.constScanLine(y + box.radius + 1) + begin;
                for (int i = 0; i < end - begin; ++i)
                    sums[i] += s[i];
            }
            if (y - box.radius >= 0) {
                const std::uint8_t* s = from.constScanLine(y - box.radius) + begin;
                for (int i = 0; i < end - begin; ++i)
                    sums[i] -= s[i];
            }
        }
    });
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
        boxRows(mask, *scratch, box);
        boxColumns(*scratch, mask, box);
    }
    return true;
}

} // namespace quorvane
