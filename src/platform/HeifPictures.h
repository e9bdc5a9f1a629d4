#pragma once

// The pictures that decoding a HEIF file's primary image makes on the way, read from the file's
// boxes the way libheif reads them, without decoding anything: the canvas of each derived image
// (grid, overlay), the picture each coded image's parameter sets declare, and the sizes the items
// declare. libheif sizes a grid's canvas by the grid's own record and the HEVC decoder each picture
// by its parameter set, whatever size the file states for the image, so these are checked first.

#include <QByteArrayView>
#include <cstdint>
#include <optional>
#include <vector>

namespace quorvane {

struct HeifPictures {
    struct Size {
        std::int64_t width = 0;
        std::int64_t height = 0;
        bool operator==(const Size&) const = default;
    };

    // The image decoded.
    std::uint32_t primary = 0;
    // Every declared size, canvas and coded picture of the images decoded for the primary one
    // (its tiles, its alpha plane), in the order they are met, each image once.
    std::vector<Size> sizes;
    // The pixels of every canvas, and of every coded picture, counted once per use: what decoding
    // makes in all.
    std::int64_t canvasPixels = 0;
    std::int64_t codedPixels = 0;

    bool operator==(const HeifPictures&) const = default;

    // None when the file cannot be read the way libheif reads it, or holds what decoding it could
    // not be bounded for: an image other than HEVC, grid, overlay or identity; an image that is
    // its own tile; a coded image of more than one picture, or of one that is not an IDR picture;
    // items whose data is longer than the file.
    static std::optional<HeifPictures> read(QByteArrayView file);
};

} // namespace quorvane
