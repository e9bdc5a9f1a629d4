#pragma once

#include "platform/ImageDecoder.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <memory>
#include <optional>

namespace quorvane::TiffCodec {

// An uncompressed TIFF of `image` (RGBX8888, RGBA8888 or RGBA8888_Premultiplied): RGB when every
// pixel is opaque, else RGBA with alpha associated or not as in the image. None for other formats.
std::optional<QByteArray> encode(const QImage& image);

// `bytes` must outlive the decoder.
std::unique_ptr<ImageDecoder> decoder(QByteArrayView bytes);

} // namespace quorvane::TiffCodec
