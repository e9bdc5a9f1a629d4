#pragma once

#include <QImage>
#include <optional>

namespace quorvane::ImageResampler {

// Whether `image` is already in the export format: 8 bits per channel in RGBA byte order
// (premultiplied, straight or with an ignored fourth byte), tagged sRGB. ARGB32 is not: its bytes
// are BGRA in memory.
bool isSRGB8(const QImage& image);

// The same image when it is already in the export format, else a mapped premultiplied sRGB copy.
// None for an empty image or when no bitmap can be made.
std::optional<QImage> convertToSRGB(const QImage& image);

} // namespace quorvane::ImageResampler
