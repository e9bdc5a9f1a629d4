#pragma once

#include "core/Error.h"
#include "core/Result.h"
#include "platform/ImageDecoder.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <cstdint>
#include <memory>

namespace quorvane::PngCodec {

// A PNG of `image` (RGBA8888_Premultiplied, RGBA8888 or RGBX8888, sRGB): RGB when every pixel is
// opaque, else RGBA with straight alpha. Large images are filtered and compressed in strips on
// several threads. Errors (EncodeError): an empty image or another pixel format, memory.
Result<QByteArray, Error> encode(const QImage& image);

// `bytes` must outlive the decoder. Of the metadata it keeps only the colour profile (iCCP, sRGB)
// and the first Exif block (eXIf) within the limits of ImageDecoder.h; every other ancillary chunk
// is skipped unread.
std::unique_ptr<ImageDecoder> decoder(QByteArrayView bytes);

// A chunk's CRC over `bytes` (its type, then its data), continued from `crc`: 0 to start.
std::uint32_t crc(std::uint32_t crc, QByteArrayView bytes);
// Whether an Exif chunk's data is one libpng takes (two bytes of byte order) and the decoder reads.
bool usableExif(QByteArrayView data);

} // namespace quorvane::PngCodec
