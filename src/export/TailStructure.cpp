#include "export/TailStructure.h"

#include "export/ImageBytes.h"

#include <algorithm>

namespace quorvane {

using namespace ImageBytes;

TailStructure::TailStructure(ImageKind::Kind kind) {
    if (kind == ImageKind::Kind::png) gather(Stage::pngChunk, 8);
    if (kind == ImageKind::Kind::gif) gather(Stage::gifBlock, 1);
}

qsizetype TailStructure::walk(QByteArrayView bytes, std::int64_t position, std::int64_t most) {
    qsizetype at = 0;
    while (at < bytes.size() && stage_ != Stage::done && stage_ != Stage::broken) {
        if (skip_ > 0) {
            const auto skipped = static_cast<qsizetype>(std::min<std::int64_t>(skip_, bytes.size() - at));
            skip_ -= skipped;
            at += skipped;
            continue;
        }
        const qsizetype taken = std::min(headerLength_ - header_.size(), bytes.size() - at);
        header_.append(bytes.sliced(at, taken));
        at += taken;
        if (header_.size() == headerLength_) next(position + at, most);
    }
    return stage_ == Stage::broken ? at : bytes.size();
}

void TailStructure::gather(Stage stage, qsizetype length) {
    stage_ = stage;
    header_.clear();
    headerLength_ = length;
}

void TailStructure::next(std::int64_t end, std::int64_t most) {
    switch (stage_) {
    case Stage::pngChunk: {
        const std::uint32_t length = bigEndian32(header_, 0);
        const QByteArrayView name = QByteArrayView(header_).sliced(4);
        if (name == "IEND") return gather(Stage::done, 0);
        // Past the image data, libpng takes no critical chunk but the end.
        if (length > 0x7FFF'FFFF || !isChunkName(name) || (name[0] >= 'A' && name[0] <= 'Z') ||
            end + length + 4 > most)
            return gather(Stage::broken, 0);
        skip_ = std::int64_t{length} + 4;
        return gather(Stage::pngChunk, 8);
    }
    case Stage::gifBlock:
        switch (byteAt(header_, 0)) {
        case 0x21:
            // Its label.
            return gather(Stage::gifExtension, 1);
        case 0x2C:
            // Its place, size and flags.
            return gather(Stage::gifFrame, 9);
        case 0x3B:
            return gather(Stage::done, 0);
        default:
            return gather(Stage::broken, 0);
        }
    case Stage::gifExtension:
        return gather(Stage::gifSubBlock, 1);
    case Stage::gifFrame:
        // Its colours and the size of its codes.
        skip_ = gifColourTableLength(byteAt(header_, 8)) + 1;
        return gather(Stage::gifSubBlock, 1);
    case Stage::gifSubBlock:
        if (byteAt(header_, 0) == 0) return gather(Stage::gifBlock, 1);
        skip_ = byteAt(header_, 0);
        return gather(Stage::gifSubBlock, 1);
    case Stage::done:
    case Stage::broken:
        return;
    }
}

} // namespace quorvane
