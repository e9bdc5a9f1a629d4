#pragma once

// The export format's colours: 8 bits per channel, RGBA byte order, sRGB. Shared by the resampler,
// the renderer, the exporter and the pixel grids.

#include <QImage>
#include <optional>

namespace quorvane::ImageResampler {

// Whether `image` is tagged sRGB or carries no colour space (taken as sRGB).
bool isSRGBOrUntagged(const QImage& image);

// Whether `image` is already in the export format: 8 bits per channel in RGBA byte order
// (premultiplied, straight or with an ignored fourth byte), tagged sRGB. ARGB32 is not: its bytes
// are BGRA in memory.
bool isSRGB8(const QImage& image);

// The pixels of `image` in sRGB: the image itself when it is tagged sRGB or untagged (taken as
// sRGB), else a converted copy in a wide format. Null when the conversion fails.
QImage sRGBColors(const QImage& image);

// The same image when it is already in the export format, else a mapped premultiplied sRGB copy.
// None for an empty image or when no bitmap can be made.
std::optional<QImage> convertToSRGB(const QImage& image);

// A mapped premultiplied sRGB copy of `image`; none for an empty image or when no bitmap can be made.
std::optional<QImage> mappedSRGBCopy(const QImage& image);

} // namespace quorvane::ImageResampler
