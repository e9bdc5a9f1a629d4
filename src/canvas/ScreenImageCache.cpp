#include "canvas/ScreenImageCache.h"

#include "adjustments/ImageResampler.h"

#include <QColorSpace>
#include <cmath>

namespace quorvane {
namespace {

// A view of `source`'s pixels inside `rect` without copying them.
QImage subImage(const QImage& source, const QRect& rect) {
    const int depth = source.depth() / 8;
    QImage view(source.constBits() + static_cast<qsizetype>(rect.y()) * source.bytesPerLine() +
                    static_cast<qsizetype>(rect.x()) * depth,
                rect.width(), rect.height(), source.bytesPerLine(), source.format());
    view.setColorSpace(source.colorSpace());
    return view;
}

} // namespace

void ScreenImageCache::clear() {
    key_ = Key{};
    scaled_ = QImage();
}

void ScreenImageCache::draw(QPainter& painter, const QImage& image, const QRectF& imageRect,
                            const QSize& viewSize, double devicePixelRatio, bool pixelated) {
    if (image.isNull() || !(imageRect.width() > 0) || !(imageRect.height() > 0)) return;
    const Key key{image.cacheKey(), imageRect, viewSize, devicePixelRatio, pixelated};
    if (!(key == key_) && !rebuild(image, key)) return;
    if (scaled_.isNull()) return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(placed_, scaled_);
    painter.restore();
}

bool ScreenImageCache::rebuild(const QImage& image, const Key& key) {
    clear();
    const double dpr =
        key.devicePixelRatio > 0 && std::isfinite(key.devicePixelRatio) ? key.devicePixelRatio : 1;
    const double zoom = key.imageRect.width() / image.width(); // points per image pixel
    const double scale = zoom * dpr;                           // device pixels per image pixel
    if (!std::isfinite(scale) || !(scale > 0)) return false;
    const QRectF visible = key.imageRect.intersected(QRectF(QPointF(0, 0), QSizeF(key.viewSize)));
    if (visible.isEmpty()) {
        key_ = key;
        return true;
    }
    // The whole image pixels under the visible part.
    const double x0 = std::floor((visible.left() - key.imageRect.left()) / zoom);
    const double y0 = std::floor((visible.top() - key.imageRect.top()) / zoom);
    const double x1 = std::ceil((visible.right() - key.imageRect.left()) / zoom);
    const double y1 = std::ceil((visible.bottom() - key.imageRect.top()) / zoom);
    const QRect source = QRect(int(x0), int(y0), int(x1 - x0), int(y1 - y0)).intersected(image.rect());
    if (source.isEmpty()) return false;

    // Device pixels of the source's place, whole so that the copy lands on the pixel grid.
    const double left = std::round(key.imageRect.left() * dpr + source.x() * scale);
    const double top = std::round(key.imageRect.top() * dpr + source.y() * scale);
    const QSize size(std::max(1, int(std::lround(source.width() * scale))),
                     std::max(1, int(std::lround(source.height() * scale))));
    const QImage part = subImage(image, source);
    QImage scaled;
    if (size == source.size()) {
        scaled = part.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    } else if (key.pixelated) {
        scaled = part.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                     .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    } else if (scale < 1) {
        const auto resized = ImageResampler::resize(part, QSizeF(size), ImageResampler::Quality::highQuality);
        if (!resized) return false;
        scaled = resized->convertToFormat(QImage::Format_ARGB32_Premultiplied);
    } else {
        scaled = QImage(size, QImage::Format_ARGB32_Premultiplied);
        if (scaled.isNull()) return false;
        scaled.fill(Qt::transparent);
        QPainter p(&scaled);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QRectF(QPointF(0, 0), QSizeF(size)), part);
    }
    if (scaled.isNull()) return false;
    scaled_ = std::move(scaled);
    placed_ = QRectF(left / dpr, top / dpr, size.width() / dpr, size.height() / dpr);
    key_ = key;
    return true;
}

} // namespace quorvane
