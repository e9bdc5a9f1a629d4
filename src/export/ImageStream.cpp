#include "export/ImageStream.h"

#include "export/ImageBytes.h"
#include "platform/ImageDecoder.h"
#include "platform/JpegCodec.h"
#include "platform/PngCodec.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace quorvane {

using namespace ImageBytes;

namespace {

// libpng ignores a second transparency or colour space; a few are let through, not a pile of them.
constexpr int maxRepeatedChunks = 8;

} // namespace

ImageStream::ImageStream(ImageKind::Kind kind, std::int64_t most) : kind_(kind), most_(most) {
    switch (kind) {
    case ImageKind::Kind::png:
        header(Stage::pngSignature, 8);
        break;
    case ImageKind::Kind::jpeg:
        header(Stage::jpegStart, 2);
        break;
    case ImageKind::Kind::gif:
        header(Stage::gifScreen, 13);
        break;
    case ImageKind::Kind::tiff:
    case ImageKind::Kind::bmp:
    case ImageKind::Kind::heic:
        // Kept whole, in room made once: growing would copy, and hold the bytes twice meanwhile.
        kept_.reserve(static_cast<qsizetype>(most));
        keepAll();
        break;
    }
}

bool ImageStream::append(QByteArrayView piece) {
    received_ += piece.size();
    while (!piece.isEmpty() && !damaged() && !ended())
        piece = piece.sliced(step(piece));
    return !damaged();
}

// Takes what it can of `bytes` and says how much.
qsizetype ImageStream::step(QByteArrayView bytes) {
    qsizetype taken = bytes.size();
    switch (mode_) {
    case Mode::header:
        taken = std::min(headerAt_ + headerLength_ - kept_.size(), bytes.size());
        kept_.append(bytes.first(taken));
        position_ += taken;
        if (kept_.size() == headerAt_ + headerLength_) next();
        return taken;
    case Mode::keep:
    case Mode::drop:
        taken = static_cast<qsizetype>(std::min<std::int64_t>(run_, bytes.size()));
        if (mode_ != Mode::drop) kept_.append(bytes.first(taken));
        run_ -= taken;
        position_ += taken;
        if (run_ == 0) finishRun();
        return taken;
    case Mode::marker:
        taken = findMarker(bytes);
        break;
    case Mode::entropy:
        if (position_ >= scanEnd_) {
            refuse();
            return 0;
        }
        taken = throughEntropy(
            bytes.first(static_cast<qsizetype>(std::min<std::int64_t>(bytes.size(), scanEnd_ - position_))));
        break;
    case Mode::tail:
        taken = tail_.walk(bytes, position_, most_);
        afterWalk();
        break;
    case Mode::all:
        kept_.append(bytes);
        break;
    case Mode::ended:
    case Mode::damaged:
        return bytes.size();
    }
    position_ += taken;
    return taken;
}

void ImageStream::finishRun() {
    next();
}

// As libjpeg looks for the next marker: bytes up to a 0xFF and stuffed zeros are skipped, fill
// bytes before a code are swallowed.
qsizetype ImageStream::findMarker(QByteArrayView bytes) {
    qsizetype at = 0;
    while (at < bytes.size()) {
        if (!markerByte_) {
            const void* found =
                std::memchr(bytes.data() + at, 0xFF, static_cast<std::size_t>(bytes.size() - at));
            const qsizetype skipped =
                (found == nullptr ? bytes.size() : static_cast<const char*>(found) - bytes.data()) - at;
            if (!scanSeen_ && !stray(skipped)) return at + skipped;
            if (found == nullptr) return bytes.size();
            at += skipped + 1;
            markerByte_ = true;
            continue;
        }
        const std::uint8_t code = byteAt(bytes, at++);
        if (code == 0xFF) continue;
        markerByte_ = false;
        if (code == 0x00) {
            if (!scanSeen_ && !stray(2)) return at;
            continue;
        }
        headerAt_ = kept_.size();
        kept_.append('\xFF').append(static_cast<char>(code));
        jpegMarker(code);
        return at;
    }
    return at;
}

// Entropy-coded data, stuffed zeros and restart markers in it, is kept; any other marker ends it.
qsizetype ImageStream::throughEntropy(QByteArrayView bytes) {
    qsizetype at = 0;
    while (at < bytes.size()) {
        if (!markerByte_) {
            const void* found =
                std::memchr(bytes.data() + at, 0xFF, static_cast<std::size_t>(bytes.size() - at));
            const qsizetype end =
                found == nullptr ? bytes.size() : static_cast<const char*>(found) - bytes.data() + 1;
            kept_.append(bytes.sliced(at, end - at));
            if (found == nullptr) return bytes.size();
            headerAt_ = kept_.size() - 1;
            markerByte_ = true;
            at = end;
            continue;
        }
        const std::uint8_t code = byteAt(bytes, at++);
        kept_.append(static_cast<char>(code));
        if (code == 0xFF) continue;
        markerByte_ = false;
        if (code == 0x00 || (code >= 0xD0 && code <= 0xD7)) continue;
        kept_.truncate(headerAt_);
        kept_.append('\xFF').append(static_cast<char>(code));
        jpegMarker(code);
        return at;
    }
    return at;
}

void ImageStream::header(Stage stage, qsizetype length) {
    headerAt_ = kept_.size();
    extend(stage, length);
}

// The header gathered so far goes on to `length` bytes.
void ImageStream::extend(Stage stage, qsizetype length) {
    stage_ = stage;
    mode_ = Mode::header;
    headerLength_ = length;
    if (kept_.size() >= headerAt_ + length) next();
}

void ImageStream::run(Mode mode, std::int64_t length, Stage then) {
    stage_ = then;
    mode_ = mode;
    run_ = length;
    if (mode == Mode::keep) makeRoom(length);
    if (length == 0) finishRun();
}

void ImageStream::keepAll() {
    mode_ = Mode::all;
}

// What follows the picture's data from `at` of the input on, `from` first: walked, never kept, up
// to the end marker.
void ImageStream::walkTail(QByteArrayView from, std::int64_t at) {
    mode_ = Mode::tail;
    tail_ = TailStructure(kind_);
    tail_.walk(from, at, most_);
    afterWalk();
}

// The picture's data are followed by the end marker they take: the kept data end with it, so that
// the completeness test finds it right after them. A GIF trailer that ends the input only if
// nothing else comes is kept while it does.
void ImageStream::afterWalk() {
    if (tail_.broken()) return refuse();
    const bool provisional = tail_.endsOnTrailer();
    if (provisional != provisionalTrailer_) {
        if (provisional)
            kept_.append(';');
        else
            kept_.chop(1);
        provisionalTrailer_ = provisional;
    }
    if (!tail_.ended()) return;
    kept_.append(kind_ == ImageKind::Kind::png ? QByteArrayView("\0\0\0\0IEND\xAE\x42\x60\x82", 12)
                                               : QByteArrayView(";"));
    mode_ = Mode::ended;
}

// What was kept stays as it is: its decoder refuses it as it would the whole.
void ImageStream::refuse() {
    mode_ = Mode::damaged;
}

QByteArrayView ImageStream::gathered() const {
    return QByteArrayView(kept_).sliced(headerAt_);
}

void ImageStream::next() {
    switch (stage_) {
    case Stage::pngSignature:
        if (gathered() != QByteArrayView("\x89PNG\r\n\x1a\n", 8)) return refuse();
        return header(Stage::pngChunkHeader, 8);
    case Stage::pngChunkHeader:
        return pngChunk();
    case Stage::pngChunkEnd:
        return pngChunkEnd();
    case Stage::jpegStart:
        if (gathered() != QByteArrayView("\xFF\xD8", 2)) return refuse();
        [[fallthrough]];
    case Stage::jpegSegmentEnd:
        markerByte_ = false;
        mode_ = Mode::marker;
        return;
    case Stage::jpegLength:
        return jpegSegment();
    case Stage::jpegLabel:
        return jpegApplication();
    case Stage::jpegFrame:
        return jpegFrame();
    case Stage::jpegScanHeaderEnd:
        markerByte_ = false;
        scanEnd_ = longestScan_ ? position_ + *longestScan_ : std::numeric_limits<std::int64_t>::max();
        mode_ = Mode::entropy;
        return;
    case Stage::gifScreen:
        return run(Mode::keep, gifColourTableLength(byteAt(gathered(), 10)), Stage::gifNextBlock);
    case Stage::gifNextBlock:
        return header(Stage::gifBlock, 1);
    case Stage::gifBlock:
        return gifBlock();
    case Stage::gifExtension:
        return gifExtension();
    case Stage::gifSubBlock:
        return gifSubBlock();
    case Stage::gifSkipSubBlocks:
        return header(Stage::gifSubBlock, 1);
    case Stage::gifFrame:
        // Its colours and the size of its codes.
        return run(Mode::keep, gifColourTableLength(byteAt(gathered(), 9)) + 1, Stage::gifFrameData);
    case Stage::gifFrameData:
        return header(Stage::gifFrameBlock, 1);
    case Stage::gifFrameBlock:
        if (byteAt(gathered(), 0) == 0) return walkTail({}, position_);
        return run(Mode::keep, byteAt(gathered(), 0), Stage::gifFrameData);
    }
}

// ---- PNG ------------------------------------------------------------------------------------

void ImageStream::pngChunk() {
    const QByteArrayView chunk = gathered();
    const std::uint32_t length = bigEndian32(chunk, 0);
    const QByteArrayView name = chunk.sliced(4, 4);
    const bool first = !chunkSeen_;
    chunkSeen_ = true;
    if (length > 0x7FFF'FFFF || !isChunkName(name) || (first && name != "IHDR")) return refuse();
    // libpng reads no further than the header after the image data: from there on, only walked.
    if (imageData_ && name != "IDAT") {
        const QByteArray header = chunk.toByteArray();
        kept_.truncate(headerAt_);
        return walkTail(header, position_ - 8);
    }
    const std::int64_t rest = std::int64_t{length} + 4;
    if (runsPastTheEnd(rest)) return refuse();
    if (name == "IDAT") {
        imageData_ = true;
        return run(Mode::keep, rest, Stage::pngChunkEnd);
    }
    if (name[0] >= 'A' && name[0] <= 'Z') {
        // A second header or palette, an end before the image data and a chunk libpng does not
        // know all make it refuse the file.
        if ((name == "IHDR" && first) || (name == "PLTE" && !paletteSeen_)) {
            paletteSeen_ = paletteSeen_ || name == "PLTE";
            return run(Mode::keep, rest, Stage::pngChunkEnd);
        }
        return refuse();
    }
    bool keep = false;
    if (name == "tRNS") {
        keep = transparencyChunks_++ < maxRepeatedChunks;
    } else if (name == "sRGB") {
        keep = srgbChunks_++ < maxRepeatedChunks;
    } else if (name == "iCCP" && profileChunks_ + length <= maxIccProfileLength) {
        keep = true;
        profileChunks_ += length;
    } else if (name == "eXIf" && !exifFound_ && length <= maxExifLength) {
        // Checked at its end, as libpng checks it, and dropped unless it is the one it takes.
        keep = true;
        exifAt_ = headerAt_;
    }
    if (keep) return run(Mode::keep, rest, Stage::pngChunkEnd);
    kept_.truncate(headerAt_);
    run(Mode::drop, rest, Stage::pngChunkEnd);
}

void ImageStream::pngChunkEnd() {
    if (exifAt_ >= 0) {
        const QByteArrayView chunk = QByteArrayView(kept_).sliced(exifAt_);
        const QByteArrayView data = chunk.sliced(8, chunk.size() - 12);
        exifFound_ =
            PngCodec::usableExif(data) &&
            PngCodec::crc(PngCodec::crc(0, chunk.sliced(4, 4)), data) == bigEndian32(chunk, chunk.size() - 4);
        if (!exifFound_) kept_.truncate(exifAt_);
        exifAt_ = -1;
    }
    header(Stage::pngChunkHeader, 8);
}

// ---- JPEG -----------------------------------------------------------------------------------

// The marker is kept, from `headerAt_`.
void ImageStream::jpegMarker(std::uint8_t code) {
    if (code == 0x01 || (code >= 0xD0 && code <= 0xD7)) {
        markerByte_ = false;
        mode_ = Mode::marker;
        return;
    }
    if (code == 0xD9) {
        mode_ = Mode::ended;
        return;
    }
    // Frames, tables, scans, restart intervals, line counts, APPn and comments: libjpeg refuses
    // any other marker, a second start of the image among them.
    const bool known = (code >= 0xC0 && code <= 0xCF) || (code >= 0xDA && code <= 0xDD) ||
                       (code >= 0xE0 && code <= 0xEF) || code == 0xFE;
    if (!known) return refuse();
    extend(Stage::jpegLength, 4);
}

void ImageStream::jpegSegment() {
    const QByteArrayView segment = gathered();
    const std::uint8_t code = byteAt(segment, 1);
    const int length = byteAt(segment, 2) << 8 | byteAt(segment, 3);
    if (length < 2) return refuse();
    const std::int64_t data = length - 2;
    // libjpeg reads every segment up to the first scan.
    if (!scanSeen_ && runsPastTheEnd(data)) return refuse();
    if (code == 0xDA) {
        scanSeen_ = true;
        if (++scans_ > JpegCodec::maxScans) return refuse();
        return run(Mode::keep, data, Stage::jpegScanHeaderEnd);
    }
    const bool frame = code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
    if (frame) return extend(Stage::jpegFrame, 4 + data);
    if (code == 0xE0 || code == 0xE1 || code == 0xE2 || code == 0xEE)
        return extend(Stage::jpegLabel, 4 + std::min<qsizetype>(data, JpegCodec::labelLength));
    if ((code >= 0xE0 && code <= 0xEF) || code == 0xFE) {
        kept_.truncate(headerAt_);
        return run(Mode::drop, data, Stage::jpegSegmentEnd);
    }
    run(Mode::keep, data, Stage::jpegSegmentEnd);
}

// Of the APPn segments libjpeg or the decoder read, the ones that count: the first JFIF segment
// (only that there is one does), the first Exif segment, the colour profile's parts (all, or none
// past the limit) and the Adobe segment (that there is one, and the last transform before the
// first scan).
void ImageStream::jpegApplication() {
    const QByteArrayView segment = gathered();
    const std::uint8_t code = byteAt(segment, 1);
    const std::int64_t data = (byteAt(segment, 2) << 8 | byteAt(segment, 3)) - 2;
    const QByteArrayView label = segment.sliced(4);
    const std::int64_t rest = data - label.size();
    bool keep = false;
    if (code == 0xE0) {
        keep = !scanSeen_ && !jfifKept_ && data >= 14 && label.startsWith(QByteArrayView("JFIF\0", 5));
        jfifKept_ = jfifKept_ || keep;
    } else if (code == 0xE1) {
        keep = !scanSeen_ && !exifKept_ && JpegCodec::isExif(label, data);
        exifKept_ = exifKept_ || keep;
    } else if (code == 0xE2 && !scanSeen_ && !profileDropped_ && JpegCodec::isProfilePart(label, data)) {
        if (profileLength_ + data > maxIccProfileLength) {
            kept_.truncate(headerAt_);
            dropProfileParts();
            return run(Mode::drop, rest, Stage::jpegSegmentEnd);
        }
        keep = true;
        profileLength_ += data;
        profileParts_.push_back({headerAt_, 4 + static_cast<qsizetype>(data)});
    } else if (code == 0xEE && data >= 12 && label.startsWith("Adobe")) {
        const char transform = label[11];
        if (!scanSeen_ && adobeTransformAt_ >= 0) {
            kept_[adobeTransformAt_] = transform;
        } else if (!adobeKept_) {
            keep = true;
            adobeKept_ = true;
            if (!scanSeen_) adobeTransformAt_ = headerAt_ + 4 + 11;
        }
    }
    if (keep) return run(Mode::keep, rest, Stage::jpegSegmentEnd);
    kept_.truncate(headerAt_);
    run(Mode::drop, rest, Stage::jpegSegmentEnd);
}

// Kept whole; what it tells bounds the scans that follow.
void ImageStream::jpegFrame() {
    const QByteArrayView segment = gathered();
    longestScan_ = JpegCodec::longestScan(byteAt(segment, 1), segment.sliced(4));
    markerByte_ = false;
    mode_ = Mode::marker;
}

// Counts bytes libjpeg skips before the first scan; false, the input refused, past what the first
// bytes may hold.
bool ImageStream::stray(std::int64_t count) {
    stray_ += count;
    if (stray_ <= ImageKind::maxStrayBytes) return true;
    refuse();
    return false;
}

void ImageStream::dropProfileParts() {
    for (auto part = profileParts_.rbegin(); part != profileParts_.rend(); ++part) {
        kept_.remove(part->at, part->length);
        if (adobeTransformAt_ > part->at) adobeTransformAt_ -= part->length;
    }
    profileParts_.clear();
    profileDropped_ = true;
}

// ---- GIF ------------------------------------------------------------------------------------

void ImageStream::gifBlock() {
    switch (byteAt(gathered(), 0)) {
    case 0x21:
        // Its label and the size of its first sub-block.
        return extend(Stage::gifExtension, 3);
    case 0x2C:
        return extend(Stage::gifFrame, 10);
    case 0x3B:
        mode_ = Mode::ended;
        return;
    default:
        return refuse();
    }
}

// Of the extensions before the first frame only the last graphic control of four bytes counts, for
// the frame's transparency; it is kept as one block in the place of the first.
void ImageStream::gifExtension() {
    const QByteArrayView extension = gathered();
    const std::uint8_t size = byteAt(extension, 2);
    if (byteAt(extension, 1) == 0xF9 && size == 4) {
        if (extension.size() < 7) return extend(Stage::gifExtension, 7);
        if (controlAt_ < 0) {
            controlAt_ = headerAt_ + 3;
            kept_.append('\0');
        } else {
            const QByteArray control = extension.sliced(3, 4).toByteArray();
            kept_.truncate(headerAt_);
            kept_.replace(controlAt_, 4, control);
        }
        return header(Stage::gifSubBlock, 1);
    }
    kept_.truncate(headerAt_);
    if (size == 0) return header(Stage::gifBlock, 1);
    run(Mode::drop, size, Stage::gifSkipSubBlocks);
}

void ImageStream::gifSubBlock() {
    const std::uint8_t size = byteAt(gathered(), 0);
    kept_.truncate(headerAt_);
    if (size == 0) return header(Stage::gifBlock, 1);
    run(Mode::drop, size, Stage::gifSkipSubBlocks);
}

} // namespace quorvane
