#include "document/EdgeColor.h"

#include <QColorSpace>
#include <array>
#include <cstdint>
#include <vector>

namespace quorvane {
namespace {

struct Bucket {
    std::uint64_t count = 0;
    std::array<std::uint64_t, 3> sums{};
};

// Buckets in the order their first pixel was met, so that ties go to the earliest.
struct Buckets {
    std::vector<int> slotOfKey = std::vector<int>(1 << 15, -1);
    std::vector<Bucket> inOrder;

    Bucket& operator[](int key) {
        int& slot = slotOfKey[static_cast<std::size_t>(key)];
        if (slot < 0) {
            slot = static_cast<int>(inOrder.size());
            inOrder.emplace_back();
        }
        return inOrder[static_cast<std::size_t>(slot)];
    }
};

void addStrip(const QImage& image, const QRect& strip, Buckets& buckets) {
    if (strip.isEmpty()) return;
    QImage pixels = image.copy(strip);
    if (pixels.colorSpace().isValid() && pixels.colorSpace() != QColorSpace(QColorSpace::SRgb))
        pixels.convertToColorSpace(QColorSpace::SRgb);
    pixels.convertTo(QImage::Format_RGBA8888_Premultiplied);
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
    Buckets buckets;
    if (!image.isNull() && w > 0 && h > 0) {
        addStrip(image, QRect(0, 0, w, 1), buckets);
        addStrip(image, QRect(0, h - 1, w, 1), buckets);
        addStrip(image, QRect(0, 0, 1, h), buckets);
        addStrip(image, QRect(w - 1, 0, 1, h), buckets);
    }
    const Bucket* best = nullptr;
    for (const Bucket& bucket : buckets.inOrder)
        if (best == nullptr || bucket.count > best->count) best = &bucket;
    if (best == nullptr) return QColor::fromRgbF(1, 1, 1, 1);
    const double scale = 1.0 / (static_cast<double>(best->count) * 255.0);
    return QColor::fromRgbF(static_cast<float>(static_cast<double>(best->sums[0]) * scale),
                            static_cast<float>(static_cast<double>(best->sums[1]) * scale),
                            static_cast<float>(static_cast<double>(best->sums[2]) * scale), 1.0f);
}

} // namespace quorvane
