#pragma once

#include "core/Error.h"
#include "core/Result.h"
#include "platform/ImageDecoder.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <memory>

namespace quorvane::TiffCodec {

// An uncompressed TIFF of `image` (RGBX8888, RGBA8888 or RGBA8888_Premultiplied): RGB when every
// pixel is opaque, else RGBA with alpha associated or not as in the image. Errors (EncodeError):
// another pixel format, libtiff's refusal with its text.
Result<QByteArray, Error> encode(const QImage& image);

// `bytes` must outlive the decoder.
std::unique_ptr<ImageDecoder> decoder(QByteArrayView bytes);

} // namespace quorvane::TiffCodec
