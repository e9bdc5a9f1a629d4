#pragma once

#include "core/Error.h"
#include "core/Result.h"
#include "platform/ImageDecoder.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <memory>

namespace quorvane::PngCodec {

// A PNG of `image` (RGBA8888_Premultiplied, RGBA8888 or RGBX8888, sRGB): RGB when every pixel is
// opaque, else RGBA with straight alpha. Large images are filtered and compressed in strips on
// several threads. Errors (EncodeError): an empty image or another pixel format, memory.
Result<QByteArray, Error> encode(const QImage& image);

// `bytes` must outlive the decoder.
std::unique_ptr<ImageDecoder> decoder(QByteArrayView bytes);

} // namespace quorvane::PngCodec
