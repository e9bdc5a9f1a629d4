#pragma once

#include "recognition/RecognizedCode.h"
#include "recognition/RecognizedLine.h"

#include <QString>
#include <vector>

namespace quorvane {

// The lines and barcodes read out of one image.
struct RecognitionResult {
    std::vector<RecognizedLine> lines;
    std::vector<RecognizedCode> codes; // duplicates removed

    bool operator==(const RecognitionResult&) const = default;

    enum class LineBreaks { kept, joined };

    // The lines' texts, one a line or joined with a space; codes never take part.
    QString text(LineBreaks breaks) const;
};

} // namespace quorvane
