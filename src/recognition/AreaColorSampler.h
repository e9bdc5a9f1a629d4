#pragma once

// The colours an area is made of: its alpha-weighted average and, when it holds text on a plain
// background, the exact colour of that text.

#include "imaging/EdgeGrid.h"
#include "imaging/SampledColor.h"
#include "recognition/AreaColors.h"

#include <QImage>
#include <QRectF>
#include <optional>

namespace quorvane::AreaColorSampler {

struct Sample {
    SampledColor average;
    std::optional<SampledColor> text;

    bool operator==(const Sample&) const = default;
};

// `rect` in image pixels (top-left origin), clipped to the image and made integral; none when it
// is not finite or misses the image.
std::optional<AreaColors> sample(const QRectF& rect, const QImage& image);
// None for an empty grid.
std::optional<Sample> sample(const EdgeGrid& grid);

} // namespace quorvane::AreaColorSampler
