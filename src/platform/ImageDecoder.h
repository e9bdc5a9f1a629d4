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
