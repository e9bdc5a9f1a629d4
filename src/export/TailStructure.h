#pragma once

// What follows a picture's data, which no decoder reads, walked only to find the format's end
// marker there: a PNG's chunks up to its end chunk, a GIF's blocks up to its trailer. Nothing of it
// is kept, and nothing after the marker is read. A PNG's input ends at the first byte that breaks
// the walk, as damaged: a chunk header no file holds, a chunk longer than the input can be. A GIF's
// zeros, CRs and LFs between blocks, which writers leave there, are passed over; a block of no
// known type loses the walk, and then, as where a block runs on to the input's end (a comment or an
// XMP block left without its closing bytes reads its text as lengths), the input's last byte but
// zeros tells whether the trailer ends it.

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
    // it took: all of them, or up to the end marker, or up to the end of the header that broke the
    // walk.
    qsizetype walk(QByteArrayView bytes, std::int64_t position, std::int64_t most);
    bool broken() const { return stage_ == Stage::broken; }
    // The end marker was reached.
    bool ended() const { return stage_ == Stage::ended; }
    // A GIF whose walk is lost or inside a block, and whose bytes so far end, zeros aside, in a
    // trailer: the end, if the input stops there.
    bool endsOnTrailer() const {
        return (stage_ == Stage::gifLost || stage_ == Stage::gifExtension || stage_ == Stage::gifFrame ||
                stage_ == Stage::gifSubBlock) &&
               lastNonZero_ == 0x3B;
    }

private:
    enum class Stage {
        // The end marker reached, or nothing to walk.
        ended,
        broken,
        pngChunk,
        pngEnd,
        gifBlock,
        gifExtension,
        gifFrame,
        gifSubBlock,
        // Past a block of no known type: only the last byte counts.
        gifLost,
    };

    void gather(Stage stage, qsizetype length);
    // The header gathered, which ends at `end` of the input.
    void next(std::int64_t end, std::int64_t most);

    Stage stage_ = Stage::ended;
    // The longest: a GIF frame's place, size and flags.
    std::array<char, 9> header_{};
    qsizetype gathered_ = 0;
    qsizetype headerLength_ = 0;
    std::int64_t skip_ = 0;
    std::uint8_t lastNonZero_ = 0;
};

} // namespace quorvane
