#include "export/TailStructure.h"

#include "export/ImageBytes.h"

#include <algorithm>
#include <cstring>

namespace quorvane {

using namespace ImageBytes;

TailStructure::TailStructure(ImageKind::Kind kind) {
    if (kind == ImageKind::Kind::png) gather(Stage::pngChunk, 8);
    if (kind == ImageKind::Kind::gif) gather(Stage::gifBlock, 1);
}

qsizetype TailStructure::walk(QByteArrayView bytes, std::int64_t position, std::int64_t most) {
    qsizetype at = 0;
    while (at < bytes.size() && stage_ != Stage::ended && stage_ != Stage::broken) {
        if (skip_ > 0) {
            const auto skipped = static_cast<qsizetype>(std::min<std::int64_t>(skip_, bytes.size() - at));
            skip_ -= skipped;
            at += skipped;
            continue;
        }
        if (stage_ == Stage::gifLost) {
            at = bytes.size();
            break;
        }
        if (stage_ == Stage::gifBlock) {
            const std::uint8_t stray = byteAt(bytes, at);
            if (stray == 0x00 || stray == '\r' || stray == '\n') {
                ++at;
                continue;
            }
        }
        const qsizetype taken = std::min(headerLength_ - gathered_, bytes.size() - at);
        std::memcpy(header_.data() + gathered_, bytes.data() + at, static_cast<std::size_t>(taken));
        gathered_ += taken;
        at += taken;
        if (gathered_ == headerLength_) next(position + at, most);
    }
    for (qsizetype last = at - 1; last >= 0; --last)
        if (bytes[last] != '\0') {
            lastNonZero_ = byteAt(bytes, last);
            break;
        }
    return at;
}

void TailStructure::gather(Stage stage, qsizetype length) {
    stage_ = stage;
    gathered_ = 0;
    headerLength_ = length;
}

void TailStructure::next(std::int64_t end, std::int64_t most) {
    switch (stage_) {
    case Stage::pngChunk: {
        const QByteArrayView header(header_.data(), 8);
        const std::uint32_t length = bigEndian32(header, 0);
        const QByteArrayView name = header.sliced(4);
        // Its checksum too: a file cut inside it is cut short.
        if (name == "IEND") return gather(Stage::pngEnd, 4);
        // Any chunk may lie here, image data that came late too: libpng has stopped before it.
        if (length > 0x7FFF'FFFF || !isChunkName(name) || end + length + 4 > most)
            return gather(Stage::broken, 0);
        skip_ = std::int64_t{length} + 4;
        return gather(Stage::pngChunk, 8);
    }
    case Stage::pngEnd:
        return gather(Stage::ended, 0);
    case Stage::gifBlock:
        switch (static_cast<std::uint8_t>(header_[0])) {
        case 0x21:
            // Its label.
            return gather(Stage::gifExtension, 1);
        case 0x2C:
            // Its place, size and flags.
            return gather(Stage::gifFrame, 9);
        case 0x3B:
            return gather(Stage::ended, 0);
        default:
            return gather(Stage::gifLost, 0);
        }
    case Stage::gifExtension:
        return gather(Stage::gifSubBlock, 1);
    case Stage::gifFrame:
        // Its colours and the size of its codes.
        skip_ = gifColourTableLength(static_cast<std::uint8_t>(header_[8])) + 1;
        return gather(Stage::gifSubBlock, 1);
    case Stage::gifSubBlock:
        if (header_[0] == 0) return gather(Stage::gifBlock, 1);
        skip_ = static_cast<std::uint8_t>(header_[0]);
        return gather(Stage::gifSubBlock, 1);
    case Stage::ended:
    case Stage::broken:
    case Stage::gifLost:
        return;
    }
}

} // namespace quorvane
