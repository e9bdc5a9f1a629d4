#pragma once

// One decoder per image format. Reading the header costs no pixel memory, so that the caller can
// check its limits before it allocates the bitmap that `decode` fills.

#include <QByteArray>
#include <QImage>
#include <cstdint>

namespace quorvane {

struct ImageHeader {
    // As stored, before the orientation is applied.
    std::int64_t width = 0;
    std::int64_t height = 0;
    // EXIF orientation, 1 to 8; other values are kept as found.
    int orientation = 1;
    bool hasAlpha = false;
    // Empty when the image carries none.
    QByteArray iccProfile;
};

// The most of a picture's metadata a decoder keeps: a larger colour profile is dropped (the picture
// is then taken as sRGB), a larger Exif block is not read for the orientation. Real ones are a few
// kilobytes; files of hundreds of megabytes of metadata cost no more than their pixels.
inline constexpr std::int64_t maxIccProfileLength = std::int64_t{4} << 20;
inline constexpr std::int64_t maxExifLength = std::int64_t{4} << 20;

// The largest picture a decoder may make on the way, for formats whose decoders size some of
// their pictures by records other than the header.
struct DecodeLimits {
    std::int64_t maxSide = 0;
    std::int64_t maxPixels = 0;
    bool operator==(const DecodeLimits&) const = default;
};

class ImageDecoder {
public:
    enum class Status {
        image,
        // Complete data that holds no frame at all.
        noFrames,
        unreadable,
        // Decoding would make a picture beyond the limits; the header holds that picture's size.
        tooLarge,
    };

    virtual ~ImageDecoder() = default;

    // Called once, before `decode`.
    virtual Status readHeader(ImageHeader& header) = 0;
    // Whether the data holds all the pixel data the header promises, for formats that can tell;
    // called after `readHeader`.
    virtual bool complete() { return true; }
    // Fills `target`, which has the header's size and is RGBA8888_Premultiplied; images without
    // alpha are written opaque. False when the data is damaged or ends early; `target` then holds
    // nothing useful.
    virtual bool decode(QImage& target) = 0;
};

} // namespace quorvane
