#pragma once

#include "core/Geometry.h"
#include "recognition/RecognizedWord.h"

#include <QRectF>
#include <QString>
#include <vector>

namespace quorvane {

// One recognised line of text in image pixels (top-left origin, y down).
struct RecognizedLine {
    QString text;         // trimmed, never empty
    float confidence = 0; // 0 to 1
    QRectF boundingBox;
    std::vector<RecognizedWord> words; // reading order; may be empty

    bool operator==(const RecognizedLine& other) const {
        return text == other.text && confidence == other.confidence &&
               geom::exactlyEqual(boundingBox, other.boundingBox) && words == other.words;
    }
};

} // namespace quorvane
