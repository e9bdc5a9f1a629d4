#pragma once

#include <cstddef>
#include <cstdint>

namespace quorvane::ExifOrientation {

// The orientation tag (0x0112) of the first directory of TIFF-structured EXIF data ("II*\0" or
// "MM\0*" first), or 1 when there is none or the data is damaged.
int read(const std::uint8_t* tiff, std::size_t size);

} // namespace quorvane::ExifOrientation
