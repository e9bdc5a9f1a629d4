#pragma once

// An image's bytes taken piece by piece, as a file or another program delivers them, of which only
// what its decoder and the completeness test read is kept: a picture of one pixel costs the same
// whatever metadata its file carries.
//
// PNG: the chunks up to the image data but the metadata the decoder does not read (suggested
// palettes, texts, unknown chunks), a few colour chunks, a colour profile and an Exif chunk within
// the decoder's limits, then the image data. JPEG: the segments but comments and the APPn segments
// the decoder does not read (the first Exif segment and the colour profile's parts, within the
// limit, and the JFIF and Adobe segments libjpeg reads stay), the entropy-coded data. GIF: the
// screen and its colours, the last transparency before the first frame, the first frame. What
// follows the image data or the first frame, which no decoder reads, is never kept: a PNG's chunks
// and a GIF's blocks there are walked (TailStructure) only to find the end marker, which the kept
// data then end with; nothing after the end marker (a JPEG's end of image too) is taken, so that a
// phone's video after its picture costs nothing. TIFF, BMP and HEIC files are kept whole: their
// decoders may read any part of them, and they are kept in room made once for the longest the
// input can be; a long run of other kept bytes in room made once for its length.
//
// Structure a decoder would refuse ends the input there, as damaged, and nothing more is taken: a
// chunk length past 31 bits or a name not of letters, a critical chunk libpng does not take, a
// segment length that does not hold itself, a marker libjpeg does not know, more stray bytes before
// the first scan than the first bytes may hold, more scans than the decoder takes, a block of no
// known type before the first frame. So does what cannot be what it says: a chunk, or a segment
// before the first scan, that runs past the longest the input can be; a scan longer than its
// frame's blocks can code.

#include "export/ImageKind.h"
#include "export/TailStructure.h"
#include "platform/ClipboardLimit.h"

#include <QByteArray>
#include <QByteArrayView>
#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace quorvane {

class ImageStream : public ClipboardLimit::Keeper {
public:
    // `most`: the longest the input can be (a file's length, the longest offer taken).
    ImageStream(ImageKind::Kind kind, std::int64_t most);

    // Any split of the input gives the same result. False once the input is damaged.
    bool append(QByteArrayView piece) override;
    bool damaged() const { return mode_ == Mode::damaged; }
    // The end marker came after the picture's data: no more of the input is taken.
    bool ended() const { return mode_ == Mode::ended; }
    // Every byte given so far.
    std::int64_t received() const { return received_; }
    // What the decoder and the completeness test read.
    const QByteArray& kept() const { return kept_; }
    // The same, taken out: the stream takes no more after it.
    QByteArray takeKept() { return std::exchange(kept_, QByteArray()); }
    QByteArray take() override { return takeKept(); }

private:
    enum class Mode {
        // Gathering a header into `kept_` from `headerAt_`, up to `headerLength_` bytes.
        header,
        // Keeping or dropping the next `run_` bytes.
        keep,
        drop,
        // A JPEG: looking for the next marker; bytes before it are dropped, as libjpeg skips them.
        marker,
        // A JPEG: entropy-coded data, kept up to the next marker.
        entropy,
        // Past the picture's data, looking for the end marker (`tail_`).
        tail,
        // Nothing more: the end marker came.
        ended,
        // Everything.
        all,
        // Nothing: the input is damaged.
        damaged,
    };
    // What comes once a header is gathered or a run is over.
    enum class Stage {
        pngSignature,
        pngChunkHeader,
        pngChunkEnd,
        jpegStart,
        jpegLength,
        jpegLabel,
        jpegSegmentEnd,
        jpegFrame,
        jpegScanHeaderEnd,
        gifScreen,
        gifNextBlock,
        gifBlock,
        gifExtension,
        gifSubBlock,
        gifSkipSubBlocks,
        gifFrame,
        gifFrameData,
        gifFrameBlock,
    };

    qsizetype step(QByteArrayView bytes);
    void finishRun();
    qsizetype findMarker(QByteArrayView bytes);
    qsizetype throughEntropy(QByteArrayView bytes);
    void next();
    void header(Stage stage, qsizetype length);
    void extend(Stage stage, qsizetype length);
    void run(Mode mode, std::int64_t length, Stage then);
    // Room for a run of `length` bytes to be kept: a long one (a PNG's image data in one chunk) in
    // one step, so that it is never copied and held twice while it grows; short ones as the bytes
    // grow. Only for what is said to come, never for the longest the input could be.
    void makeRoom(std::int64_t length) {
        const std::int64_t needed = kept_.size() + length, room = kept_.capacity();
        if (needed > room) kept_.reserve(static_cast<qsizetype>(std::min(most_, std::max(needed, 2 * room))));
    }
    void keepAll();
    void walkTail(QByteArrayView from, std::int64_t at);
    void afterWalk();
    void refuse();
    bool runsPastTheEnd(std::int64_t length) const { return position_ + length > most_; }
    QByteArrayView gathered() const;

    void pngChunk();
    void pngChunkEnd();
    void jpegMarker(std::uint8_t code);
    void jpegSegment();
    void jpegFrame();
    void jpegApplication();
    void dropProfileParts();
    bool stray(std::int64_t count);
    void gifBlock();
    void gifExtension();
    void gifSubBlock();

    ImageKind::Kind kind_;
    std::int64_t most_ = 0;
    QByteArray kept_;
    std::int64_t received_ = 0;

    // Every byte taken by the filter so far.
    std::int64_t position_ = 0;

    Mode mode_ = Mode::all;
    Stage stage_ = Stage::pngSignature;
    qsizetype headerAt_ = 0;
    qsizetype headerLength_ = 0;
    std::int64_t run_ = 0;
    TailStructure tail_;
    // A GIF trailer kept at the end while it may be the input's last byte.
    bool provisionalTrailer_ = false;

    // PNG.
    bool chunkSeen_ = false;
    bool paletteSeen_ = false;
    bool imageData_ = false;
    int transparencyChunks_ = 0;
    int srgbChunks_ = 0;
    std::int64_t profileChunks_ = 0;
    bool exifFound_ = false;
    // The Exif chunk being kept, to be checked at its end; -1 for none.
    qsizetype exifAt_ = -1;

    // JPEG.
    bool markerByte_ = false;
    bool scanSeen_ = false;
    int scans_ = 0;
    // Bytes skipped between segments before the first scan.
    std::int64_t stray_ = 0;
    // The most bytes a scan of the frame can take; none before a frame that tells.
    std::optional<std::int64_t> longestScan_;
    // Where the scan under way must have ended.
    std::int64_t scanEnd_ = 0;
    bool jfifKept_ = false;
    bool adobeKept_ = false;
    // Where the transform byte of the Adobe segment kept before the first scan lies; -1 for none.
    qsizetype adobeTransformAt_ = -1;
    bool exifKept_ = false;
    struct Part {
        qsizetype at = 0;
        qsizetype length = 0;
    };
    std::vector<Part> profileParts_;
    std::int64_t profileLength_ = 0;
    bool profileDropped_ = false;

    // GIF: where the kept transparency's four bytes lie; -1 for none.
    qsizetype controlAt_ = -1;
};

} // namespace quorvane
