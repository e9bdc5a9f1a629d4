#pragma once

// Fields of the image formats' structures, read from their bytes.

#include <QByteArrayView>
#include <algorithm>
#include <cstdint>

namespace quorvane::ImageBytes {

inline std::uint8_t byteAt(QByteArrayView bytes, qsizetype at) {
    return static_cast<std::uint8_t>(bytes[at]);
}

inline std::uint32_t bigEndian32(QByteArrayView bytes, qsizetype at) {
    return std::uint32_t{byteAt(bytes, at)} << 24 | std::uint32_t{byteAt(bytes, at + 1)} << 16 |
           std::uint32_t{byteAt(bytes, at + 2)} << 8 | byteAt(bytes, at + 3);
}

// A PNG chunk's name is four letters; an upper-case first one makes the chunk critical.
inline bool isChunkName(QByteArrayView name) {
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
}

// The length of the colour table a GIF's screen or frame announces by its flags.
inline qsizetype gifColourTableLength(std::uint8_t flags) {
    return (flags & 0x80) != 0 ? qsizetype{3} << ((flags & 7) + 1) : 0;
}

} // namespace quorvane::ImageBytes
