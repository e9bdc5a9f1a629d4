#pragma once

#include "platform/ImageDecoder.h"

#include <QByteArrayView>
#include <memory>

namespace quorvane::BmpDecoder {

// Qt's own BMP reader, which reads the size from the header before it decodes anything; pixels
// of bit fields (16 bits, or masks) are read by BmpBitFields.
// `bytes` must outlive the decoder.
std::unique_ptr<ImageDecoder> decoder(QByteArrayView bytes);

} // namespace quorvane::BmpDecoder
