#include "document/EdgeColor.h"

#include <array>
#include <cstdint>
#include <map>

namespace quorvane {
namespace {

struct Bucket {
    std::uint64_t count = 0;
    std::array<std::uint64_t, 3> sums{};
};

void addStrip(const QImage& image, const QRect& strip, std::map<int, Bucket>& buckets) {
    if (strip.isEmpty()) return;
    const QImage pixels = image.copy(strip).convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    if (pixels.isNull()) return;
    for (int y = 0; y < pixels.height(); ++y) {
        const uchar* row = pixels.constScanLine(y);
        for (int x = 0; x < pixels.width(); ++x) {
            const uchar* p = row + 4 * x;
            // Premultiplied over opaque white.
            const int white = 255 - p[3];
            const int r = p[0] + white, g = p[1] + white, b = p[2] + white;
            Bucket& bucket = buckets[(r >> 3) << 10 | (g >> 3) << 5 | (b >> 3)];
            ++bucket.count;
            bucket.sums[0] += static_cast<std::uint64_t>(r);
            bucket.sums[1] += static_cast<std::uint64_t>(g);
            bucket.sums[2] += static_cast<std::uint64_t>(b);
        }
    }
}

} // namespace

QColor edgeColor(const QImage& image) {
    const int w = image.width(), h = image.height();
    std::map<int, Bucket> buckets;
    if (!image.isNull() && w > 0 && h > 0) {
        addStrip(image, QRect(0, 0, w, 1), buckets);
        addStrip(image, QRect(0, h - 1, w, 1), buckets);
        addStrip(image, QRect(0, 0, 1, h), buckets);
        addStrip(image, QRect(w - 1, 0, 1, h), buckets);
    }
    const Bucket* best = nullptr;
    for (const auto& [key, bucket] : buckets)
        if (best == nullptr || bucket.count > best->count) best = &bucket;
    if (best == nullptr) return QColor::fromRgbF(1, 1, 1, 1);
    const double scale = 1.0 / (static_cast<double>(best->count) * 255.0);
    return QColor::fromRgbF(static_cast<float>(static_cast<double>(best->sums[0]) * scale),
                            static_cast<float>(static_cast<double>(best->sums[1]) * scale),
                            static_cast<float>(static_cast<double>(best->sums[2]) * scale), 1.0f);
}

} // namespace quorvane
