#pragma once

#include "core/Geometry.h"

#include <QRectF>
#include <QString>

namespace quorvane {

// One white-space-free piece of a recognised line, with its box in image pixels.
struct RecognizedWord {
    QString text;
    QRectF boundingBox;

    bool operator==(const RecognizedWord& other) const {
        return text == other.text && geom::exactlyEqual(boundingBox, other.boundingBox);
    }
};

} // namespace quorvane
