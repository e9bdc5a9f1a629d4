#pragma once

#include "imaging/SampledColor.h"
#include "core/Geometry.h"

#include <QRectF>
#include <optional>

namespace quorvane {

// The colours sampled from an area dragged with the Color tool.
struct AreaColors {
    QRectF rect; // image pixels, integral, inside the image
    SampledColor average;
    std::optional<SampledColor> text; // the colour that stands out, when one does

    bool operator==(const AreaColors& other) const {
        return geom::exactlyEqual(rect, other.rect) && average == other.average && text == other.text;
    }
};

} // namespace quorvane
