#pragma once

#include "adjustments/Backdrop.h"

#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QTransform>
#include <optional>
#include <utility>

namespace quorvane {

// The backdrop's background at screen resolution, drawn behind the document image by the canvas
// and the backdrop sheet. Keeps the last rendering only. GUI thread.
class BackdropPreview {
public:
    // The background of the whole canvas for an image exported at `exportSize`, shown at `size`
    // points with `scale` device pixels per point (at most 16,000,000 pixels, both sides shrunk
    // alike). None when there is nothing to draw or no memory.
    std::optional<QImage> background(const Backdrop& backdrop, const QSizeF& exportSize, const QSizeF& size,
                                     double scale);

    // Maps canvas pixels to view coordinates so that the image area lands on `imageRect`.
    static QTransform transform(const Backdrop& backdrop, const QSizeF& exportSize, const QRectF& imageRect);

private:
    struct Key {
        Backdrop backdrop;
        QSizeF exportSize;
        QSizeF pixels;
        bool operator==(const Key& other) const;
    };
    std::optional<std::pair<Key, QImage>> cache_;
};

} // namespace quorvane
