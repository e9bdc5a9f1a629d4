#include "export/ImageKind.h"

#include "export/ImageBytes.h"
#include "export/TailStructure.h"
#include "platform/PngCodec.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace quorvane::ImageKind {
namespace {

using namespace ImageBytes;

bool startsWith(QByteArrayView bytes, QByteArrayView prefix) {
    return bytes.size() >= prefix.size() && std::memcmp(bytes.data(), prefix.data(), prefix.size()) == 0;
}

enum class Endian { little, big };

// An unsigned field of `length` bytes at `at`; none past the end.
std::optional<std::uint64_t> field(QByteArrayView bytes, qsizetype at, int length, Endian endian) {
    if (at < 0 || at > bytes.size() - length) return std::nullopt;
    std::uint64_t value = 0;
    for (int i = 0; i < length; ++i)
        value =
            value << 8 | static_cast<std::uint8_t>(bytes[at + (endian == Endian::big ? i : length - 1 - i)]);
    return value;
}

// HEIF files whose brands say HEVC; AVIF and other codecs in the same container are not HEIC.
bool isHeic(QByteArrayView bytes) {
    if (bytes.size() < 16 || bytes.sliced(4, 4) != "ftyp") return false;
    const QByteArrayView major = bytes.sliced(8, 4);
    static const QByteArrayView heicBrands[] = {"heic", "heix", "heim", "heis",
                                                "hevc", "hevx", "hevm", "hevs"};
    const auto isHeicBrand = [](QByteArrayView brand) {
        return std::find(std::begin(heicBrands), std::end(heicBrands), brand) != std::end(heicBrands);
    };
    if (isHeicBrand(major)) return true;
    if (major != "mif1" && major != "msf1") return false;
    const qsizetype boxEnd = std::min<qsizetype>(bytes.size(), *field(bytes, 0, 4, Endian::big));
    for (qsizetype at = 16; at + 4 <= boxEnd; at += 4)
        if (isHeicBrand(bytes.sliced(at, 4))) return true;
    return false;
}

// "BM" and one of the information header sizes of the BMP versions.
bool isBmp(QByteArrayView bytes) {
    if (bytes.size() < 18 || !startsWith(bytes, "BM")) return false;
    const std::uint64_t headerSize = *field(bytes, 14, 4, Endian::little);
    for (std::uint64_t size : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u})
        if (headerSize == size) return true;
    return false;
}

std::optional<Size> jpegSize(QByteArrayView bytes) {
    for (qsizetype at = 2; at + 4 <= bytes.size();) {
        if (static_cast<std::uint8_t>(bytes[at]) != 0xFF) return std::nullopt;
        const auto marker = static_cast<std::uint8_t>(bytes[at + 1]);
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        // Markers without a segment.
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD9)) {
            at += 2;
            continue;
        }
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            const auto height = field(bytes, at + 5, 2, Endian::big),
                       width = field(bytes, at + 7, 2, Endian::big);
            if (!height || !width) return std::nullopt;
            return Size{static_cast<std::int64_t>(*width), static_cast<std::int64_t>(*height)};
        }
        at += 2 + static_cast<qsizetype>(*field(bytes, at + 2, 2, Endian::big));
    }
    return std::nullopt;
}

std::optional<Size> tiffSize(QByteArrayView bytes) {
    const Endian endian = startsWith(bytes, "MM") ? Endian::big : Endian::little;
    const bool wide = field(bytes, 2, 2, endian) == 43u;
    const int offsetLength = wide ? 8 : 4, countLength = wide ? 8 : 2, entryLength = wide ? 20 : 12;
    const auto directory = field(bytes, wide ? 8 : 4, offsetLength, endian);
    if (!directory || *directory > static_cast<std::uint64_t>(bytes.size())) return std::nullopt;
    const auto at = static_cast<qsizetype>(*directory);
    const auto count = field(bytes, at, countLength, endian);
    if (!count) return std::nullopt;
    std::optional<std::uint64_t> width, height;
    for (std::uint64_t i = 0; i < std::min<std::uint64_t>(*count, 4096); ++i) {
        const qsizetype entry = at + countLength + static_cast<qsizetype>(i) * entryLength;
        const auto tag = field(bytes, entry, 2, endian), type = field(bytes, entry + 2, 2, endian);
        if (!tag || !type) return std::nullopt;
        // Short, long or (in BigTIFF) eight-byte values, held in the entry itself.
        const int length = *type == 3 ? 2 : *type == 4 ? 4 : *type == 16 ? 8 : 0;
        if (length == 0 || (*tag != 256 && *tag != 257)) continue;
        (*tag == 256 ? width : height) = field(bytes, entry + 4 + offsetLength, length, endian);
    }
    if (!width || !height) return std::nullopt;
    return Size{static_cast<std::int64_t>(*width), static_cast<std::int64_t>(*height)};
}

// An IHDR chunk first, whose fields libpng accepts, then chunk headers with lengths within 31 bits
// and names of letters, as libpng demands, up to the end of the image data; what follows it is
// never read.
bool pngPlausible(QByteArrayView bytes) {
    const auto length = field(bytes, 8, 4, Endian::big);
    if (!length) return true;
    if (*length != 13 || (bytes.size() >= 16 && bytes.sliced(12, 4) != "IHDR")) return false;
    if (bytes.size() >= 33) {
        const auto width = *field(bytes, 16, 4, Endian::big), height = *field(bytes, 20, 4, Endian::big);
        const int depth = byteAt(bytes, 24), colour = byteAt(bytes, 25);
        const bool depthFits = colour == 0
                                   ? depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16
                               : colour == 3 ? depth == 1 || depth == 2 || depth == 4 || depth == 8
                               : colour == 2 || colour == 4 || colour == 6 ? depth == 8 || depth == 16
                                                                           : false;
        if (width == 0 || height == 0 || width > 0x7FFF'FFFF || height > 0x7FFF'FFFF || !depthFits ||
            byteAt(bytes, 26) != 0 || byteAt(bytes, 27) != 0 || byteAt(bytes, 28) > 1)
            return false;
        if (PngCodec::crc(0, bytes.sliced(12, 17)) != *field(bytes, 29, 4, Endian::big)) return false;
    }
    bool inImageData = false;
    for (qsizetype at = 33; at + 8 <= bytes.size();) {
        const std::uint64_t chunkLength = *field(bytes, at, 4, Endian::big);
        const QByteArrayView name = bytes.sliced(at + 4, 4);
        if (name == "IDAT")
            inImageData = true;
        else if (inImageData)
            return true;
        if (chunkLength > 0x7FFF'FFFF || !isChunkName(name)) return false;
        at += 12 + static_cast<qsizetype>(chunkLength);
    }
    return true;
}

bool isSegmentLess(std::uint8_t marker) {
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}

// Marker segments after the start of the image, each of a length that holds at least its length,
// frame headers of the length their components take and a size, up to the first scan, with no more
// stray bytes between them than `maxStrayBytes`.
bool jpegPlausible(QByteArrayView bytes) {
    std::int64_t stray = 0;
    qsizetype at = 2;
    for (;;) {
        // libjpeg's search for the next marker: anything up to a 0xFF, fill bytes, then a code;
        // a stuffed zero is no marker.
        while (at < bytes.size() && byteAt(bytes, at) != 0xFF) {
            ++at;
            ++stray;
        }
        while (at < bytes.size() && byteAt(bytes, at) == 0xFF)
            ++at;
        if (stray > maxStrayBytes) return false;
        if (at >= bytes.size()) return true;
        const std::uint8_t marker = byteAt(bytes, at++);
        if (marker == 0x00) {
            stray += 2;
            continue;
        }
        if (isSegmentLess(marker)) continue;
        // A second start, an end before any scan, markers no decoder knows.
        if (marker == 0xD8 || marker == 0xD9 || marker < 0xC0) return false;
        const auto length = field(bytes, at, 2, Endian::big);
        if (!length) return true;
        if (*length < 2) return false;
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame && at + 8 <= bytes.size()) {
            const std::uint64_t height = *field(bytes, at + 3, 2, Endian::big),
                                width = *field(bytes, at + 5, 2, Endian::big),
                                components = byteAt(bytes, at + 7);
            if (height == 0 || width == 0 || components == 0 || *length != 8 + 3 * components) return false;
        }
        if (marker == 0xDA) return true;
        at += static_cast<qsizetype>(*length);
    }
}

// The logical screen and its colour table, then extensions, each a chain of sub-blocks, up to the
// first frame or the trailer.
bool gifPlausible(QByteArrayView bytes) {
    if (bytes.size() < 13) return true;
    const std::uint8_t screen = byteAt(bytes, 10);
    qsizetype at = 13 + ((screen & 0x80) != 0 ? 3 << ((screen & 7) + 1) : 0);
    while (at < bytes.size()) {
        const std::uint8_t block = byteAt(bytes, at);
        if (block == 0x2C || block == 0x3B) return true;
        if (block != 0x21) return false;
        at += 2;
        while (at < bytes.size()) {
            const std::uint8_t size = byteAt(bytes, at);
            at += 1 + size;
            if (size == 0) break;
        }
    }
    return true;
}

// A first directory after the header, of one to 4096 entries as libtiff demands; a BigTIFF header
// of eight-byte offsets.
bool tiffPlausible(QByteArrayView bytes) {
    const Endian endian = startsWith(bytes, "MM") ? Endian::big : Endian::little;
    const bool wide = field(bytes, 2, 2, endian) == 43u;
    const auto offsetSize = field(bytes, 4, 2, endian), zero = field(bytes, 6, 2, endian);
    if (wide && ((offsetSize && *offsetSize != 8) || (zero && *zero != 0))) return false;
    const auto directory = field(bytes, wide ? 8 : 4, wide ? 8 : 4, endian);
    if (!directory) return true;
    if (*directory < (wide ? 16u : 8u)) return false;
    if (*directory > static_cast<std::uint64_t>(bytes.size())) return true;
    const auto count = field(bytes, static_cast<qsizetype>(*directory), wide ? 8 : 2, endian);
    return !count || (*count >= 1 && *count <= 4096);
}

// One plane and a bit depth the reader knows.
bool bmpPlausible(QByteArrayView bytes) {
    const bool core = field(bytes, 14, 4, Endian::little) == 12u;
    const auto planes = field(bytes, core ? 22 : 26, 2, Endian::little);
    const auto bits = field(bytes, core ? 24 : 28, 2, Endian::little);
    if (planes && *planes != 1) return false;
    return !bits || *bits == 1 || *bits == 4 || *bits == 8 || *bits == 16 || *bits == 24 || *bits == 32;
}

// A file-type box of a few brands, then top-level boxes with sizes that hold their headers and
// four-character names, up to the metadata box: a box that runs to the end of the file before it
// leaves no room for one.
bool heicPlausible(QByteArrayView bytes) {
    const auto typeBox = field(bytes, 0, 4, Endian::big);
    if (!typeBox || *typeBox < 16 || *typeBox > static_cast<std::uint64_t>(headLength)) return false;
    for (qsizetype at = static_cast<qsizetype>(*typeBox); at + 8 <= bytes.size();) {
        std::uint64_t size = *field(bytes, at, 4, Endian::big);
        const QByteArrayView name = bytes.sliced(at + 4, 4);
        if (!std::all_of(name.begin(), name.end(), [](char c) { return c >= 0x20 && c <= 0x7E; }))
            return false;
        if (name == "meta") return true;
        std::uint64_t header = name == "uuid" ? 24 : 8;
        if (size == 1) {
            const auto large = field(bytes, at + 8, 8, Endian::big);
            if (!large) return true;
            size = *large;
            header += 8;
        }
        if (size < header) return false;
        if (size > static_cast<std::uint64_t>(bytes.size() - at)) return true;
        at += static_cast<qsizetype>(size);
    }
    return true;
}

// What follows a picture's data, walked for its end marker.
bool tailEnds(Kind kind, QByteArrayView bytes, qsizetype at) {
    TailStructure tail(kind);
    tail.walk(bytes.sliced(at), at, bytes.size());
    return tail.ended() || tail.endsOnTrailer();
}

// Chunks up to the image data and through it, then the end chunk after it.
bool pngEnds(QByteArrayView bytes) {
    bool imageData = false;
    for (qsizetype at = 8; at + 8 <= bytes.size();
         at += 12 + static_cast<qsizetype>(bigEndian32(bytes, at))) {
        const bool chunkOfImageData = bytes.sliced(at + 4, 4) == "IDAT";
        if (imageData && !chunkOfImageData) return tailEnds(Kind::png, bytes, at);
        imageData = chunkOfImageData;
    }
    return false;
}

// Segments and scans as libjpeg finds their markers, up to the end of the image; any marker it
// does not know ends the search.
bool jpegEnds(QByteArrayView bytes) {
    for (qsizetype at = 2;;) {
        const void* found = std::memchr(bytes.data() + at, 0xFF, static_cast<std::size_t>(bytes.size() - at));
        if (found == nullptr) return false;
        at = static_cast<const char*>(found) - bytes.data() + 1;
        while (at < bytes.size() && byteAt(bytes, at) == 0xFF)
            ++at;
        if (at >= bytes.size()) return false;
        const std::uint8_t marker = byteAt(bytes, at++);
        if (marker == 0x00 || isSegmentLess(marker)) continue;
        if (marker == 0xD9) return true;
        const bool known = (marker >= 0xC0 && marker <= 0xCF) || (marker >= 0xDA && marker <= 0xDD) ||
                           (marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE;
        const auto length = field(bytes, at, 2, Endian::big);
        if (!known || !length || *length < 2 || static_cast<qsizetype>(*length) > bytes.size() - at)
            return false;
        // A scan's coded data follows its header, searched as the gaps between segments are.
        at += static_cast<qsizetype>(*length);
    }
}

// Past a chain of sub-blocks from `at`; none when it runs past the end.
std::optional<qsizetype> pastSubBlocks(QByteArrayView bytes, qsizetype at) {
    while (at < bytes.size()) {
        const std::uint8_t size = byteAt(bytes, at);
        at += 1 + size;
        if (size == 0) return at;
    }
    return std::nullopt;
}

// Blocks up to the first frame and through it, then the trailer after it; a trailer with no frame
// before it ends a file that holds none.
bool gifEnds(QByteArrayView bytes) {
    if (bytes.size() < 13) return false;
    std::optional<qsizetype> at = 13 + gifColourTableLength(byteAt(bytes, 10));
    while (at && *at < bytes.size()) {
        switch (byteAt(bytes, *at)) {
        case 0x3B:
            return true;
        case 0x21:
            at = pastSubBlocks(bytes, *at + 2);
            break;
        case 0x2C:
            if (*at + 10 > bytes.size()) return false;
            at = pastSubBlocks(bytes, *at + 10 + gifColourTableLength(byteAt(bytes, *at + 9)) + 1);
            return at && tailEnds(Kind::gif, bytes, *at);
        default:
            return false;
        }
    }
    return false;
}

} // namespace

std::optional<Kind> sniff(QByteArrayView bytes) {
    if (startsWith(bytes, "\x89PNG\r\n\x1a\n")) return Kind::png;
    if (startsWith(bytes, "\xff\xd8\xff")) return Kind::jpeg;
    if (startsWith(bytes, "GIF87a") || startsWith(bytes, "GIF89a")) return Kind::gif;
    if (startsWith(bytes, QByteArrayView("II*\0", 4)) || startsWith(bytes, QByteArrayView("MM\0*", 4)) ||
        startsWith(bytes, QByteArrayView("II+\0", 4)) || startsWith(bytes, QByteArrayView("MM\0+", 4)))
        return Kind::tiff;
    if (isBmp(bytes)) return Kind::bmp;
    if (isHeic(bytes)) return Kind::heic;
    return std::nullopt;
}

bool plausibleHead(Kind kind, QByteArrayView head) {
    if (sniff(head) != kind) return false;
    head = head.first(std::min(head.size(), headLength));
    switch (kind) {
    case Kind::png:
        return pngPlausible(head);
    case Kind::jpeg:
        return jpegPlausible(head);
    case Kind::gif:
        return gifPlausible(head);
    case Kind::tiff:
        return tiffPlausible(head);
    case Kind::bmp:
        return bmpPlausible(head);
    case Kind::heic:
        return heicPlausible(head);
    }
    return false;
}

std::int64_t maxBytes(Kind kind, std::int64_t maxPixels) {
    // Bytes per pixel of the largest layout: 16-bit RGBA for PNG, TIFF and HEIC (whose files also
    // carry thumbnails and depth maps), 32-bit BMP, four JPEG components that may code larger than
    // they are, and GIF codes of 12 bits with the headers of their blocks.
    std::int64_t perPixel = 8;
    switch (kind) {
    case Kind::jpeg:
        perPixel = 6;
        break;
    case Kind::bmp:
        perPixel = 4;
        break;
    case Kind::gif:
        perPixel = 2;
        break;
    case Kind::png:
    case Kind::heic:
    case Kind::tiff:
        break;
    }
    constexpr std::int64_t metadata = std::int64_t{64} << 20;
    return perPixel * maxPixels + metadata;
}

bool hasTrailer(Kind kind, QByteArrayView bytes) {
    switch (kind) {
    case Kind::png:
        return pngEnds(bytes);
    case Kind::jpeg:
        return jpegEnds(bytes);
    case Kind::gif:
        return gifEnds(bytes);
    case Kind::tiff:
    case Kind::bmp:
    case Kind::heic:
        break;
    }
    return true;
}

std::optional<Size> claimedSize(Kind kind, QByteArrayView bytes) {
    const auto pair = [](std::optional<std::uint64_t> width, std::optional<std::uint64_t> height) {
        return width && height ? std::optional(Size{static_cast<std::int64_t>(*width),
                                                    static_cast<std::int64_t>(*height)})
                               : std::nullopt;
    };
    switch (kind) {
    case Kind::png:
        return pair(field(bytes, 16, 4, Endian::big), field(bytes, 20, 4, Endian::big));
    case Kind::gif:
        return pair(field(bytes, 6, 2, Endian::little), field(bytes, 8, 2, Endian::little));
    case Kind::jpeg:
        return jpegSize(bytes);
    case Kind::tiff:
        return tiffSize(bytes);
    case Kind::bmp: {
        if (field(bytes, 14, 4, Endian::little) == 12u)
            return pair(field(bytes, 18, 2, Endian::little), field(bytes, 20, 2, Endian::little));
        const auto width = field(bytes, 18, 4, Endian::little), height = field(bytes, 22, 4, Endian::little);
        if (!width || !height) return std::nullopt;
        // Rows stored top-down have a negative height.
        const auto signedWidth = static_cast<std::int32_t>(*width), rows = static_cast<std::int32_t>(*height);
        if (signedWidth <= 0 || rows == 0) return std::nullopt;
        return Size{signedWidth, std::abs(static_cast<std::int64_t>(rows))};
    }
    case Kind::heic:
        break;
    }
    return std::nullopt;
}

} // namespace quorvane::ImageKind
