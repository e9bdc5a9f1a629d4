#pragma once

// The pictures that decoding a HEIF file's primary image makes on the way, read from the file's
// boxes without decoding anything. libheif sizes a grid's canvas by the grid's own record, not by
// the size it reports for the image, so that record must be checked before libheif decodes.

#include <QByteArrayView>
#include <cstdint>
#include <vector>

namespace quorvane {

struct HeifPictures {
    struct Size {
        std::int64_t width = 0;
        std::int64_t height = 0;
        bool operator==(const Size&) const = default;
    };

    // Every canvas and coded picture of the primary image and of its alpha plane: declared image
    // sizes, grid and overlay canvases, and each tile once.
    std::vector<Size> sizes;
    // The pixels of all tiles together, counted once per use.
    std::int64_t tilePixels = 0;

    bool operator==(const HeifPictures&) const = default;

    // What the boxes declare; empty when they cannot be read, which leaves the verdict to libheif.
    static HeifPictures read(QByteArrayView file);
};

} // namespace quorvane
