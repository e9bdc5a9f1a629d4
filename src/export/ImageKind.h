#pragma once

// The six formats the importer opens, told apart by their first bytes, and what can be known of a
// file of each before its decoder runs: how long it may be, whether it ends as a whole file of its
// kind ends, and the size its header claims.

#include <QByteArrayView>
#include <cstdint>
#include <optional>

namespace quorvane::ImageKind {

enum class Kind { png, jpeg, heic, tiff, gif, bmp };

// The first bytes that tell every format apart (and that name other formats, for the message).
inline constexpr qsizetype headLength = 65'536;

// Bytes libjpeg skips between segments before the first scan: a few are let through, not a run of
// them.
inline constexpr std::int64_t maxStrayBytes = 4096;

// The format by the data's own signature, as the decoders would recognise it.
std::optional<Kind> sniff(QByteArrayView head);

// Whether the first bytes of data of `kind` (`headLength` of them, or the whole data when shorter)
// are well formed as far as they go: the structure that follows the signature (a PNG's header chunk
// and chunk headers up to its image data, a JPEG's marker segments up to its first scan, a GIF's
// screen and blocks up to its first frame, a TIFF's first directory, a BMP's header, a HEIF file's
// boxes up to its metadata). Data that is not is damaged whatever follows; every file the decoders
// open is.
bool plausibleHead(Kind kind, QByteArrayView head);

// The longest file of `kind` that an image within `maxPixels` can take, its metadata included:
// its largest uncompressed layout and room besides. Longer files are not read.
std::int64_t maxBytes(Kind kind, std::int64_t maxPixels);

// How much of the end of the data the completeness test reads.
inline constexpr qsizetype tailLength = 65'536;

// Whether the data ends as a complete file of its kind ends, by its last `tailLength` bytes.
// Formats without a reliable trailer are not checked.
bool hasTrailer(Kind kind, QByteArrayView tail);

struct Size {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool operator==(const Size&) const = default;
};

// The size the header claims, as stored (before any orientation), read without a decoder; none
// when the header cannot be read. For a message when the decoder refuses the file.
std::optional<Size> claimedSize(Kind kind, QByteArrayView bytes);

} // namespace quorvane::ImageKind
