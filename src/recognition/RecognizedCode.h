#pragma once

#include "core/Geometry.h"

#include <QRectF>
#include <QString>

namespace quorvane {

// One barcode found in an image, with its box in image pixels.
struct RecognizedCode {
    QString payload;   // never empty
    QString symbology; // "QR", "Code128", "EAN13", …
    QRectF boundingBox;

    bool operator==(const RecognizedCode& other) const {
        return payload == other.payload && symbology == other.symbology &&
               geom::exactlyEqual(boundingBox, other.boundingBox);
    }
};

} // namespace quorvane
