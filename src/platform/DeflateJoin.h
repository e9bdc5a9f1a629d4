#pragma once

// Lets complete raw deflate streams, compressed apart on several threads, follow one another as
// one stream: compressors that only make whole streams mark their last block final and end it
// anywhere in a byte.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvane::DeflateJoin {

// Clears the final flag of the raw deflate stream that starts at `start` in `bytes`, cuts what
// follows its end, and ends it on a byte boundary with an empty stored block, so that the next
// stream's bytes can follow directly. False, with `bytes` unchanged, when the stream is malformed
// or has no final block.
bool makeJoinable(std::vector<std::uint8_t>& bytes, std::size_t start = 0);

} // namespace quorvane::DeflateJoin
