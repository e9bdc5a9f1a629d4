#pragma once

#include "platform/ImageDecoder.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <memory>
#include <optional>

namespace quorvane::TiffCodec {

// An uncompressed TIFF of `image`: RGB for RGBX8888, RGBA with associated alpha for
// RGBA8888_Premultiplied and with unassociated alpha for RGBA8888. None for other formats.
std::optional<QByteArray> encode(const QImage& image);

// `bytes` must outlive the decoder.
std::unique_ptr<ImageDecoder> decoder(QByteArrayView bytes);

} // namespace quorvane::TiffCodec
