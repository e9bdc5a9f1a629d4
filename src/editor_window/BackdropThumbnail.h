#pragma once

#include "adjustments/Backdrop.h"
#include "adjustments/BackdropPreview.h"

#include <QImage>
#include <QSizeF>
#include <optional>

namespace quorvane {

// The backdrop sheet's live picture: the whole exported canvas fitted into 340 × 190 points at
// two pixels a point, the backdrop's background from its own one-entry cache and the document
// image reduced once, clipped to its rounded corners. GUI thread.
class BackdropThumbnail {
public:
    static constexpr QSizeF pointSize{340, 190};
    static constexpr double scale = 2;

    explicit BackdropThumbnail(std::optional<QImage> source) : source_(std::move(source)) {}

    // `image` reduced to fit `size` points at `scale` pixels a point, itself when it already
    // fits; none when it cannot be reduced.
    static std::optional<QImage> downscaled(const QImage& image, const QSizeF& size, double scale);

    const std::optional<QImage>& source() const { return source_; }
    // 680 × 380 pixels at device pixel ratio 2; a null image when there is nothing to show.
    QImage render(const Backdrop& backdrop, const QSizeF& exportSize);

private:
    std::optional<QImage> source_;
    BackdropPreview preview_;
};

} // namespace quorvane
