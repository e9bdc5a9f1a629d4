#pragma once

#include "platform/ImageDecoder.h"

#include <QByteArrayView>
#include <memory>

namespace quorvane::GifDecoder {

// The first frame on the logical screen, transparent where the frame leaves it uncovered.
// `bytes` must outlive the decoder.
std::unique_ptr<ImageDecoder> decoder(QByteArrayView bytes);

} // namespace quorvane::GifDecoder
