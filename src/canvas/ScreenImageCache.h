#pragma once

#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QSize>
#include <cstdint>
#include <optional>

namespace quorvane {

// The part of the canvas image that is on screen, scaled once to device pixels, so that a frame
// is one unscaled copy. Shrinking goes through our resampler (Qt's bilinear shrinking aliases),
// pixelated views take the nearest pixel, and at one image pixel per device pixel the pixels
// pass unchanged. A new image, zoom, pan, view size or pixel ratio builds it again.
class ScreenImageCache {
public:
    // Draws `image` so that it fills `imageRect` (view points) of a view of `viewSize` points.
    // `changed` names the only image pixels that differ from the image drawn last, so that only
    // their place is scaled again.
    void draw(QPainter& painter, const QImage& image, const QRectF& imageRect, const QSize& viewSize,
              double devicePixelRatio, bool pixelated, const std::optional<QRect>& changed = std::nullopt);
    void clear();
    std::int64_t bytes() const { return scaled_.sizeInBytes(); }

private:
    struct Key {
        qint64 image = 0;
        QRectF imageRect;
        QSize viewSize;
        double devicePixelRatio = 0;
        bool pixelated = false;
        bool operator==(const Key&) const = default;
    };
    bool rebuild(const QImage& image, const Key& key);
    std::optional<QImage> scaledPart(const QImage& part, const QSize& size, bool pixelated) const;
    void rescalePart(const QImage& image, const QRect& changed);

    Key key_;
    QImage scaled_;
    QRectF placed_; // view points
    QRect source_;  // the image pixels `scaled_` shows
    QSize imageSize_;
};

} // namespace quorvane
