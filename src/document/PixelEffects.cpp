#include "document/PixelEffects.h"

#include "document/DevicePixels.h"
#include "document/GaussianBlur.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace quorvane::detail {
namespace {

constexpr double blurSigma = 12.0;
constexpr int blockSide = 12;

// The pixelation's blocks, in place: each of the four bytes is averaged on its own (rounding
// half up), whatever the channel order or premultiplication.
void pixelate(QImage& image, const QRect& area) {
    uchar* bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    for (int top = area.top(); top < area.top() + area.height(); top += blockSide) {
        const int rows = std::min(blockSide, area.top() + area.height() - top);
        for (int left = area.left(); left < area.left() + area.width(); left += blockSide) {
            const int columns = std::min(blockSide, area.left() + area.width() - left);
            std::array<std::uint32_t, 4> sums{};
            for (int y = top; y < top + rows; ++y) {
                const uchar* p = bits + y * stride + left * 4;
                for (int x = 0; x < columns * 4; x += 4)
                    for (int k = 0; k < 4; ++k)
                        sums[static_cast<std::size_t>(k)] += p[x + k];
            }
            const std::uint32_t n = static_cast<std::uint32_t>(rows * columns);
            std::array<uchar, 4> mean{};
            for (std::size_t k = 0; k < 4; ++k)
                mean[k] = static_cast<uchar>((sums[k] + n / 2) / n);
            for (int y = top; y < top + rows; ++y) {
                uchar* p = bits + y * stride + left * 4;
                for (int x = 0; x < columns * 4; x += 4)
                    std::copy(mean.begin(), mean.end(), p + x);
            }
        }
    }
}

} // namespace

void drawRedaction(const Annotation& annotation, QPainter& painter, QImage& target) {
    QImage* bitmap = DevicePixels::paintedImage(painter, target);
    if (bitmap == nullptr) return;
    const QRect area = DevicePixels::area(annotation.rect, painter, bitmap->size());
    if (area.isEmpty()) return;
    QColor color = annotation.color.isValid() ? annotation.color.toRgb() : QColor(Qt::black);
    color.setAlphaF(1);
    DevicePixels::use(painter);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(area, color);
}

bool drawBlur(const Annotation& annotation, QPainter& painter, QImage& target) {
    QImage* bitmap = DevicePixels::paintedImage(painter, target);
    if (bitmap == nullptr) return true;
    const QRect area = DevicePixels::area(annotation.rect, painter, bitmap->size());
    if (area.isEmpty()) return true;
    // Only the area's own pixels go in, so nothing outside the box bleeds into it.
    auto pixels = DevicePixels::copy(*bitmap, area);
    if (!pixels || !gaussianBlur(*pixels, blurSigma)) return false;
    DevicePixels::use(painter);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.drawImage(area.topLeft(), *pixels);
    return true;
}

void drawPixelation(const Annotation& annotation, QPainter& painter, QImage& target) {
    QImage* bitmap = DevicePixels::paintedImage(painter, target);
    // Writing through a shared image would detach it from under the painter.
    if (bitmap == nullptr || bitmap->depth() != 32 || !bitmap->isDetached()) return;
    const QRect area = DevicePixels::area(annotation.rect, painter, bitmap->size());
    if (area.isEmpty()) return;
    pixelate(*bitmap, area);
}

} // namespace quorvane::detail
