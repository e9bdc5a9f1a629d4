#pragma once

// Frames of one animation turned into palette indices over one shared palette of at most 256
// colours, so that a pixel that does not change between frames keeps exactly its colour.

#include <QImage>
#include <cstdint>
#include <optional>
#include <vector>

namespace quorvane::GifQuantizer {

struct Indexed {
    // 0xRRGGBB, at most 256 entries, the clear one included.
    std::vector<std::uint32_t> palette;
    // The entry that pixels with alpha below 128 take; none when every pixel is opaque enough.
    std::optional<int> transparentIndex;
    // One index per pixel, row by row, one list per frame.
    std::vector<std::vector<std::uint8_t>> frames;

    bool operator==(const Indexed&) const = default;
};

// Frames of one size. Up to 256 colours (the clear entry counted) are kept exactly; more are
// reduced by median cut over a 6-bit-per-channel histogram of all frames, refined by two rounds
// of nearest-colour averaging. None for no frames or frames of different sizes.
std::optional<Indexed> quantize(const std::vector<QImage>& frames);

} // namespace quorvane::GifQuantizer
