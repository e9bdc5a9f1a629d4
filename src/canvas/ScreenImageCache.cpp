#include "canvas/ScreenImageCache.h"

#include "adjustments/ImageResampler.h"

#include <QColorSpace>
#include <cmath>
#include <numeric>
#include <utility>

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
    source_ = QRect();
    imageSize_ = QSize();
}

void ScreenImageCache::draw(QPainter& painter, const QImage& image, const QRectF& imageRect,
                            const QSize& viewSize, double devicePixelRatio, bool pixelated,
                            const std::optional<QRect>& changed) {
    if (image.isNull() || !(imageRect.width() > 0) || !(imageRect.height() > 0)) return;
    const Key key{image.cacheKey(), imageRect, viewSize, devicePixelRatio, pixelated};
    Key sameView = key_;
    sameView.image = key.image;
    if (changed && !scaled_.isNull() && sameView == key && image.size() == imageSize_) {
        rescalePart(image, *changed);
        key_ = key;
    } else if (!(key == key_) && !rebuild(image, key)) {
        return;
    }
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
    auto scaled = scaledPart(subImage(image, source), size, key.pixelated);
    if (!scaled) return false;
    scaled_ = std::move(*scaled);
    placed_ = QRectF(left / dpr, top / dpr, size.width() / dpr, size.height() / dpr);
    source_ = source;
    imageSize_ = image.size();
    key_ = key;
    return true;
}

std::optional<QImage> ScreenImageCache::scaledPart(const QImage& part, const QSize& size,
                                                   bool pixelated) const {
    QImage scaled;
    if (size == part.size()) {
        scaled = part.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    } else if (pixelated) {
        scaled = part.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                     .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    } else if (size.width() < part.width()) {
        const auto resized = ImageResampler::resize(part, QSizeF(size), ImageResampler::Quality::highQuality);
        if (!resized) return std::nullopt;
        scaled = resized->convertToFormat(QImage::Format_ARGB32_Premultiplied);
    } else {
        scaled = QImage(size, QImage::Format_ARGB32_Premultiplied);
        if (scaled.isNull()) return std::nullopt;
        scaled.fill(Qt::transparent);
        QPainter p(&scaled);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QRectF(QPointF(0, 0), QSizeF(size)), part);
    }
    if (scaled.isNull()) return std::nullopt;
    return scaled;
}

// Scaling a part gives the same pixels as scaling the whole only when the part starts and ends
// where a source pixel edge meets an output pixel edge: on multiples of `source` pixels, which are
// `output` pixels on screen. Where those tiles would be very long (a zoom without a small ratio),
// the part spans the whole length of that side instead.
struct Tiles {
    static constexpr int longest = 1024;
    int source = 1, output = 1;
    Tiles(int sourceLength, int outputLength) {
        const int common = std::gcd(sourceLength, outputLength);
        source = sourceLength / common;
        output = outputLength / common;
        if (source > longest) source = output = 0;
    }
    // Source pixels [from, to) widened outward to whole tiles, within [0, length).
    std::pair<int, int> widen(int from, int to, int length) const {
        if (source == 0) return {0, length};
        const int first = std::max(0, from / source);
        const int last = std::min((length + source - 1) / source, (to + source - 1) / source);
        return {first * source, std::min(length, last * source)};
    }
    int onScreen(int sourcePixel) const { return source == 0 ? 0 : sourcePixel / source * output; }
};

void ScreenImageCache::rescalePart(const QImage& image, const QRect& changed) {
    const QRect wanted = changed.intersected(source_);
    if (wanted.isEmpty()) return;
    const Tiles across(source_.width(), scaled_.width()), down(source_.height(), scaled_.height());
    const double sx = double(scaled_.width()) / source_.width();
    const double sy = double(scaled_.height()) / source_.height();
    // The resampler's taps reach 3 output pixels' worth of source pixels past each edge.
    const int border = 2 + int(std::ceil(3 / std::min(sx, sy)));
    const int x = wanted.x() - source_.x(), y = wanted.y() - source_.y();
    const auto [x0, x1] = across.widen(std::max(0, x - border), x + wanted.width() + border, source_.width());
    const auto [y0, y1] = down.widen(std::max(0, y - border), y + wanted.height() + border, source_.height());
    const QRect part(source_.x() + x0, source_.y() + y0, x1 - x0, y1 - y0);
    const int u0 = across.onScreen(x0), v0 = down.onScreen(y0);
    const int u1 = x1 == source_.width() ? scaled_.width() : across.onScreen(x1);
    const int v1 = y1 == source_.height() ? scaled_.height() : down.onScreen(y1);
    const auto scaled = scaledPart(subImage(image, part), QSize(u1 - u0, v1 - v0), key_.pixelated);
    if (!scaled) {
        clear();
        return;
    }
    // Only the pixels well inside the part: its own edges are scaled without their neighbours.
    const int du0 = std::max(u0, int(std::floor(x * sx)) - 1);
    const int dv0 = std::max(v0, int(std::floor(y * sy)) - 1);
    const int du1 = std::min(u1, int(std::ceil((x + wanted.width()) * sx)) + 1);
    const int dv1 = std::min(v1, int(std::ceil((y + wanted.height()) * sy)) + 1);
    QPainter painter(&scaled_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPoint(du0, dv0), *scaled, QRect(du0 - u0, dv0 - v0, du1 - du0, dv1 - dv0));
}

} // namespace quorvane
