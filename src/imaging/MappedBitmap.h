#pragma once

// Every large bitmap of the program is made here: 8-bit sRGB pixels in RGBA byte order over an
// anonymous memory map, rows padded to 64 bytes, wrapped without a copy in a QImage whose
// release unmaps the memory.
//
// Once the drawing routine has returned, read the image through const access only: a non-const
// access on a shared QImage silently copies it onto the heap.

#include <QImage>
#include <cstdint>
#include <functional>
#include <optional>

namespace quorvane::MappedBitmap {

enum class Alpha {
    premultipliedLast, // Format_RGBA8888_Premultiplied
    noneSkipLast,      // Format_RGBX8888: the fourth byte is ignored
};

// 4 × width rounded up to a multiple of 64; none when that overflows.
std::optional<std::int64_t> rowBytes(std::int64_t width);

// Runs `draw` once on the zero-filled image (transparent black, or black under skip-last), then
// returns it. None, with nothing left mapped, for sizes below 1, sizes whose byte count
// overflows or exceeds what QImage can address, or a refused mapping.
std::optional<QImage> image(std::int64_t width, std::int64_t height, Alpha alpha,
                            const std::function<void(QImage&)>& draw);

// Readies, in the background, the memory of the next bitmap of this size (one at most), so that
// a capture repeated at the same size does not wait for fresh pages.
void prepareSpare(std::int64_t width, std::int64_t height);

} // namespace quorvane::MappedBitmap
