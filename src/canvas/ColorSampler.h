#pragma once

#include "imaging/EdgeGrid.h"
#include "imaging/SampledColor.h"

#include <QImage>
#include <memory>
#include <optional>
#include <vector>

namespace quorvane {

// Reads straight colours off one rendered image; the image is copied once so that each hover
// costs a few index sums. Immutable. GUI thread.
class ColorSampler {
public:
    // None for an image without pixels or when its bytes cannot be had.
    static std::unique_ptr<ColorSampler> make(const QImage& image);

    int width() const { return grid_->width(); }
    int height() const { return grid_->height(); }
    // The pixel at (x, y), y downwards; none outside the image.
    std::optional<SampledColor> color(int x, int y) const;
    // The (2r + 1)² colours around (x, y), row by row; none for positions outside the image.
    std::vector<std::optional<SampledColor>> neighborhood(int x, int y, int radius) const;

private:
    explicit ColorSampler(std::shared_ptr<const EdgeGrid> grid) : grid_(std::move(grid)) {}

    std::shared_ptr<const EdgeGrid> grid_;
};

} // namespace quorvane
