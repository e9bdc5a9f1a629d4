#pragma once

// Row conversions between straight and premultiplied RGBA bytes, shared by the codecs.

#include <cstdint>

namespace quorvane::PixelRows {

// round(value × alpha / 255), exact for 8-bit values.
inline std::uint8_t premultiply(unsigned value, unsigned alpha) {
    const unsigned product = value * alpha + 128;
    return static_cast<std::uint8_t>((product + (product >> 8)) >> 8);
}

// In place, `width` RGBA pixels.
void premultiplyRow(std::uint8_t* rgba, int width);
// Straight RGBA pixels into premultiplied ones.
void storeStraight(const std::uint8_t* rgba, std::uint8_t* target, int width);
// RGB pixels into opaque RGBA pixels.
void storeRgb(const std::uint8_t* rgb, std::uint8_t* target, int width);
// The straight value of each premultiplied one, rounded; 0 where alpha is 0.
const std::uint8_t* unpremultiplyTable(unsigned alpha);
// Whether every pixel of `width` RGBA pixels is opaque.
bool isOpaque(const std::uint8_t* rgba, int width);

} // namespace quorvane::PixelRows
