#pragma once

// What follows a picture's data, which no decoder reads: a PNG's chunks up to its end chunk, a
// GIF's blocks up to its trailer. Walked as it passes, without being kept, so that the input ends
// at the first byte that breaks it: a chunk header or block a file of the format cannot hold, a
// critical chunk but the end, a chunk longer than the input can be. What follows the end chunk or
// the trailer, and anything in other formats, is not walked.

#include "export/ImageKind.h"

#include <QByteArrayView>
#include <array>
#include <cstdint>

namespace quorvane {

class TailStructure {
public:
    // Nothing to walk.
    TailStructure() = default;
    // A PNG's chunks, from a chunk header on, or a GIF's blocks.
    explicit TailStructure(ImageKind::Kind kind);

    // Walks `bytes`, which start at `position` of an input of at most `most` bytes, and says how many
    // it took: all of them, or up to the end of the header that broke the structure.
    qsizetype walk(QByteArrayView bytes, std::int64_t position, std::int64_t most);
    bool broken() const { return stage_ == Stage::broken; }

private:
    enum class Stage {
        // Nothing more to walk.
        done,
        broken,
        pngChunk,
        gifBlock,
        gifExtension,
        gifFrame,
        gifSubBlock,
    };

    void gather(Stage stage, qsizetype length);
    // The header gathered, which ends at `end` of the input.
    void next(std::int64_t end, std::int64_t most);

    Stage stage_ = Stage::done;
    // The longest: a GIF frame's place, size and flags.
    std::array<char, 9> header_{};
    qsizetype gathered_ = 0;
    qsizetype headerLength_ = 0;
    std::int64_t skip_ = 0;
};

} // namespace quorvane
