#pragma once

#include <QImage>
#include <optional>

namespace quorvane::ImageOrientation {

// Width and height swap for EXIF orientations 5 to 8.
bool swapsSides(int orientation);

// A mapped copy of `stored` (4 bytes per pixel) turned upright for EXIF `orientation` 2 to 8, in
// the same pixel format. None when no bitmap can be made.
std::optional<QImage> upright(const QImage& stored, int orientation);

} // namespace quorvane::ImageOrientation
