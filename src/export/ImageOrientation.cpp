#include "export/ImageOrientation.h"

#include "imaging/MappedBitmap.h"

#include <QColorSpace>
#include <algorithm>
#include <cstdint>

namespace quorvane::ImageOrientation {

bool swapsSides(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

std::optional<QImage> upright(const QImage& stored, int orientation) {
    const int w = stored.width();
    const int h = stored.height();
    const bool swapped = swapsSides(orientation);
    const auto alpha = stored.format() == QImage::Format_RGBX8888 ? MappedBitmap::Alpha::noneSkipLast
                                                                  : MappedBitmap::Alpha::premultipliedLast;
    // Where the stored pixel of each upright position lies.
    const auto source = [&](int x, int y) -> QPoint {
        switch (orientation) {
        case 2:
            return {w - 1 - x, y};
        case 3:
            return {w - 1 - x, h - 1 - y};
        case 4:
            return {x, h - 1 - y};
        case 5:
            return {y, x};
        case 6:
            return {y, h - 1 - x};
        case 7:
            return {w - 1 - y, h - 1 - x};
        case 8:
            return {w - 1 - y, x};
        default:
            return {x, y};
        }
    };
    auto result = MappedBitmap::image(swapped ? h : w, swapped ? w : h, alpha, [&](QImage& target) {
        // Tiles keep the column walks of the turned cases within the cache.
        constexpr int tile = 64;
        for (int ty = 0; ty < target.height(); ty += tile)
            for (int tx = 0; tx < target.width(); tx += tile)
                for (int y = ty; y < std::min(ty + tile, target.height()); ++y) {
                    auto* out = reinterpret_cast<std::uint32_t*>(target.scanLine(y));
                    for (int x = tx; x < std::min(tx + tile, target.width()); ++x) {
                        const QPoint from = source(x, y);
                        out[x] =
                            reinterpret_cast<const std::uint32_t*>(stored.constScanLine(from.y()))[from.x()];
                    }
                }
    });
    if (result && stored.colorSpace().isValid()) result->setColorSpace(stored.colorSpace());
    return result;
}

} // namespace quorvane::ImageOrientation
