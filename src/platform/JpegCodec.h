#pragma once

#include "core/Error.h"
#include "core/Result.h"
#include "platform/ImageDecoder.h"

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <functional>
#include <memory>

namespace quorvane::JpegCodec {

// Fills one row of opaque RGBX pixels (the fourth byte is ignored).
using RowSource = std::function<void(int y, std::uint8_t* rgbx)>;

// A baseline JPEG of `width` × `height` pixels at `quality` 0 to 100, its rows asked from `row`
// top to bottom. Errors (EncodeError): an empty size, libjpeg's refusal with its text.
Result<QByteArray, Error> encode(int width, int height, int quality, const RowSource& row);

// `bytes` must outlive the decoder. Data that ends early or is cut short inside an entropy-coded
// segment is unreadable; CMYK images are converted to RGB.
std::unique_ptr<ImageDecoder> decoder(QByteArrayView bytes);

} // namespace quorvane::JpegCodec
