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

    // The lines' texts joined with a space or a newline; codes never take part.
    QString text(bool joiningLines) const;
};

} // namespace quorvane
