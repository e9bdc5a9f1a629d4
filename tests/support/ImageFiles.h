#pragma once

// Image files made for the importer's tests: known pictures, and files in formats Qt does not
// write.

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <cstdint>
#include <vector>

namespace quorvane::test {

// Red, green / blue, white quadrants: any flip or turn shows.
QImage quadrants(int width, int height);
// `image` written by Qt's writer of `format` ("BMP", "PNG"…).
QByteArray qtEncoded(const QImage& image, const char* format);
// Two bytes of `value`, least significant first unless `bigEndian`.
QByteArray le16(int value, bool bigEndian = false);
// `image` as an uncompressed BMP of `bits` per pixel (1, 4, 8: a palette of its colours; 16: five
// bits a channel; 24; 32), its rows stored bottom-up as usual or `topDown`.
enum class BmpRows { bottomUp, topDown };
QByteArray bmp(const QImage& image, int bits, BmpRows rows = BmpRows::bottomUp);
// A BMP of `bits` (16 or 32) per pixel holding `pixels` as stored, row by row from the top: plain
// 16-bit pixels without `masks`; with three (red, green, blue) after a 40-byte header, with four
// (and alpha) in a 108-byte one.
QByteArray bitFieldsBmp(int width, int height, int bits, const std::vector<std::uint32_t>& masks,
                        const std::vector<std::uint32_t>& pixels, BmpRows rows = BmpRows::bottomUp);
// The same (masks of three or four channels) in the header that holds them, as some image editors
// write it: 52 bytes with three masks, 56 with four.
QByteArray masksInHeaderBmp(int width, int height, int bits, const std::vector<std::uint32_t>& masks,
                            const std::vector<std::uint32_t>& pixels);
// A GIF with a 256-colour table whose LZW codes stay at 9 bits: a clear code every 250 pixels.
// Without pixels it has no frame.
QByteArray gif(int width, int height, const std::vector<QColor>& palette, const std::vector<uchar>& pixels,
               int transparent = -1);

} // namespace quorvane::test
