#pragma once

// The six formats the importer opens, told apart by their first bytes, and what can be known of a
// file of each before its decoder runs: how long it may be, whether its picture is whole up to its
// end marker, and the size its header claims.

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

// Whether the picture in the data is whole and followed by its format's end marker, right after
// it or later: a JPEG's scans and then its end of image, a PNG's image data and then its end chunk,
// a GIF's first frame and then its trailer. What follows the picture's data is walked only to find
// the marker (TailStructure), and nothing after the marker is read: a phone's video after the
// picture does not count against it, a picture cut short does. Formats without a reliable end
// marker are not checked.
bool hasTrailer(Kind kind, QByteArrayView bytes);

struct Size {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool operator==(const Size&) const = default;
};

// The size the header claims, as stored (before any orientation), read without a decoder; none
// when the header cannot be read. For a message when the decoder refuses the file.
std::optional<Size> claimedSize(Kind kind, QByteArrayView bytes);

} // namespace quorvane::ImageKind
