#pragma once

#include "core/Error.h"
#include "core/Result.h"

#include <QByteArray>
#include <cstdint>
#include <optional>
#include <vector>

namespace quorvane::GifEncoder {

// An animated GIF of equal-sized frames of palette indices over one global palette (at most 256
// colours, 0xRRGGBB), looping forever (NETSCAPE2.0, count 0). Each frame shows for
// `delayHundredths` and is disposed to the background; `transparentIndex` marks the clear colour.
// Errors (EncodeError): sizes that do not fit, giflib's refusal with its text.
Result<QByteArray, Error> encode(int width, int height, const std::vector<std::uint32_t>& palette,
                                 std::optional<int> transparentIndex,
                                 const std::vector<std::vector<std::uint8_t>>& frames, int delayHundredths);

} // namespace quorvane::GifEncoder
