#pragma once

// The icon pixmap and mask an older X program names in its WM_HINTS, as an image. The pixmaps
// belong to another program: any depth, size or content may arrive.

#include <QImage>
#include <cstddef>
#include <cstdint>

namespace quorvane::X11IconPixmap {

// How the server lays out one depth's pixels in a GetImage reply (ZPixmap).
struct Layout {
    int depth = 0;
    int bitsPerPixel = 0;
    // Bits each row is padded to.
    int scanlinePad = 32;
    bool mostSignificantByteFirst = false;
    // Of 1-bit pixels within a byte.
    bool mostSignificantBitFirst = false;
    // The colour channels of a true-colour depth; at depth 32 the bits left over are alpha.
    std::uint32_t redMask = 0, greenMask = 0, blueMask = 0;
};

// The pixels as an opaque image (a 1-bit bitmap draws its set bits black on white; at depth 32
// the alpha is kept); null when the layout is one we do not read (colour maps, odd pixel sizes)
// or the data are too short for the size.
QImage decode(const Layout& layout, const std::uint8_t* data, std::size_t length, int width, int height);

// Clears the image where the 1-bit `mask` (decoded as above) is not set; pixels beyond the
// mask's size are cleared too.
QImage masked(const QImage& image, const QImage& mask);

} // namespace quorvane::X11IconPixmap
