#include "panels/ThumbnailModel.h"

namespace quorvane {

void ThumbnailModel::setPixelSize(const std::optional<QSize>& size) {
    if (pixelSize_ == size) return;
    pixelSize_ = size;
    Q_EMIT changed();
}

void ThumbnailModel::setHovering(bool hovering) {
    if (hovering_ == hovering) return;
    hovering_ = hovering;
    Q_EMIT changed();
}

void ThumbnailModel::setCopied(bool copied) {
    if (copied_ == copied) return;
    copied_ = copied;
    Q_EMIT changed();
}

} // namespace quorvane
