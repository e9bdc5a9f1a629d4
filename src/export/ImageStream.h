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
// follows the image data, the end of the image or the first frame, which no decoder reads, is kept
// only as far as the completeness test reads it (`ImageKind::tailLength`), and metadata that may
// lie within that reach of the end (a PNG's up to its image data, a JPEG's after its first scan)
// is dropped only once that much more has come. TIFF, BMP and HEIC files are kept whole: their
// decoders may read any part of them.
//
// Structure a decoder would refuse (a chunk length past 31 bits, a segment length that does not
// hold itself, a block of no known type) ends the filtering: from there every byte is kept as it
// comes, and the decoder refuses the data as it would the whole.

#include "export/ImageKind.h"

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <vector>

namespace quorvane {

class ImageStream {
public:
    explicit ImageStream(ImageKind::Kind kind);

    // Any split of the input gives the same result.
    void append(QByteArrayView piece);
    // Every byte given so far.
    std::int64_t received() const { return received_; }
    // What the decoder and the completeness test read.
    const QByteArray& kept() const { return kept_; }
    // The same, taken out: the stream takes no more after it.
    QByteArray takeKept();

private:
    enum class Mode {
        // Gathering a header into `kept_` from `headerAt_`, up to `headerLength_` bytes.
        header,
        // Keeping or dropping the next `run_` bytes; or keeping them until `ImageKind::tailLength`
        // more bytes have come, so that the completeness test reads what it would of the whole.
        keep,
        drop,
        dropLater,
        // A JPEG: looking for the next marker; bytes before it are dropped, as libjpeg skips them.
        marker,
        // A JPEG: entropy-coded data, kept up to the next marker.
        entropy,
        // The last `ImageKind::tailLength` bytes from `windowAt_` on.
        window,
        // Everything.
        all,
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
    void markDropped(qsizetype at);
    void settle();
    qsizetype toWindow(QByteArrayView bytes);
    qsizetype findMarker(QByteArrayView bytes);
    qsizetype throughEntropy(QByteArrayView bytes);
    void next();
    void header(Stage stage, qsizetype length);
    void extend(Stage stage, qsizetype length);
    void run(Mode mode, std::int64_t length, Stage then);
    void keepAll();
    void keepTail();
    QByteArrayView gathered() const;

    void pngChunk();
    void pngChunkEnd();
    void jpegMarker(std::uint8_t code);
    void jpegSegment();
    void jpegApplication();
    void dropProfileParts();
    void gifBlock();
    void gifExtension();
    void gifSubBlock();

    ImageKind::Kind kind_;
    QByteArray kept_;
    std::int64_t received_ = 0;

    // Every byte taken by the filter so far.
    std::int64_t position_ = 0;
    struct Dropped {
        qsizetype at = 0;
        qsizetype length = 0;
        // Where it ended in the input.
        std::int64_t end = 0;
    };
    // Bytes to drop, still kept while the end of the input may be near them.
    std::vector<Dropped> dropLater_;

    Mode mode_ = Mode::all;
    Stage stage_ = Stage::pngSignature;
    qsizetype headerAt_ = 0;
    qsizetype headerLength_ = 0;
    std::int64_t run_ = 0;
    qsizetype windowAt_ = 0;

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
