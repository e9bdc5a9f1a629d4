#pragma once

// Pixel access shared by the stitcher and its worker. Frames are read in one of three layouts
// with RGBA byte order (premultiplied, straight, or with an ignored fourth byte); anything else
// is converted once on arrival.

#include <QColorSpace>
#include <QImage>
#include <cstdint>

namespace quorvane::StitchPixels {

// The colour space a stitched image keeps: the frame's own when it is a tagged RGB image, else
// sRGB.
QColorSpace outputSpace(const QImage& frame);

// `frame` in a directly readable layout and in `space`: the same image (no copy) when it already
// is, else a converted copy. Untagged frames are taken to be in `space`. Null when the
// conversion fails.
QImage readable(const QImage& frame, const QColorSpace& space);

// One row of a readable image as premultiplied RGBA, opaque where the layout has no alpha.
void copyRow(const QImage& image, int row, std::uint8_t* destination);

// One row of a readable image as 8-bit grey levels, after compositing over white so that
// transparent pixels read as white. The luminance weights are Rec. 709's, in 1/256 steps.
void grayRow(const QImage& image, int row, std::uint8_t* destination);

} // namespace quorvane::StitchPixels
