#pragma once

// Files made to cost a decoder more than their picture is worth, made at run time so that no
// multi-megabyte sample sits in the repository: small pictures whose compressed data goes on far
// past their pixels, progressive JPEGs that repeat one scan, run-length BMPs; and the layouts Qt
// does not write that decoders must stop in just as well.

#include <QByteArray>
#include <QImage>

namespace quorvane::test {

// `image` as an interlaced PNG of straight RGBA: the last row a decoder reads is then the last row
// of the seventh pass, not of the picture.
QByteArray interlacedPng(const QImage& image);

// A 1 × 1 red PNG whose compressed stream goes on past the pixel for about `extraBytes` more
// bytes, each inflating to about a kilobyte, in IDAT chunks of 64 KiB. `damagedLastChunk` spoils
// the checksum of the last one, which only a decoder that reads that far notices. `interlaced`
// makes it a 2 × 2 red PNG whose last row comes in the seventh pass.
QByteArray pngWithExtraImageData(qsizetype extraBytes, bool damagedLastChunk = false,
                                 bool interlaced = false);

// A 1 × 1 red PNG carrying about `metadataBytes` of suggested-palette (sPLT) chunks of 1 MiB, each
// a palette libpng would keep, before its image data.
QByteArray pngWithPaletteChunks(qsizetype metadataBytes);
// A 1 × 1 JPEG carrying about `metadataBytes` of APP2 segments of 64 KiB labelled as parts of a
// colour profile (numbered 1 to 255 again and again), after its start marker.
QByteArray jpegWithProfileSegments(qsizetype metadataBytes);

// A 1 × 1 black TIFF whose one deflate strip, or 16 × 16 tile, goes on likewise. `damagedEnd`
// spoils the stream's checksum, at its end.
QByteArray tiffWithExtraImageData(qsizetype extraBytes, bool tiled, bool damagedEnd = false);

// A 64 × 64 red HEIC whose one picture's data is followed, in its item, by about `extraBytes` of
// filler data units.
QByteArray heicWithExtraItemData(qsizetype extraBytes);

// A 1 × 1 red GIF whose one frame is followed by about `extraBytes` more bytes of coded data.
QByteArray gifWithExtraImageData(qsizetype extraBytes);
// A 1 × 1 red GIF of `frames` frames.
QByteArray gifWithFrames(int frames);

// Starts that look right for more than their first 64 KiB, for a test to break after: a 1 × 1
// PNG's header and a text chunk, before a chunk header; a JPEG of noise cut inside its scan; a
// 1 × 1 GIF's screen and a comment, before a block. `format` is "PNG", "JPEG" or "GIF".
QByteArray plausibleStart(const char* format);
// A 1 × 1 red PNG with `chunks` after its header chunk.
QByteArray pngWithChunks(const QByteArray& chunks);
// A PNG chunk of `type`, its CRC right.
QByteArray pngChunk(const char* type, const QByteArray& data);

// `image` as a progressive JPEG with its smallest scan repeated until it holds `scans` scans: each
// copy costs a pass over every block of the image for a few bytes of file.
QByteArray jpegWithScans(const QImage& image, int scans);
// The number of scans of a JPEG.
int jpegScans(const QByteArray& jpeg);

// An 8-bit run-length coded BMP of `width` × `height` with a grey palette and `runs` as its data.
QByteArray runLengthBmp(int width, int height, const QByteArray& runs);

} // namespace quorvane::test
