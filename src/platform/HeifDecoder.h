#pragma once

#include "platform/ImageDecoder.h"

#include <QByteArrayView>
#include <memory>

namespace quorvane::HeifDecoder {

// The primary image with the file's rotation, mirroring and crop applied, so its header size is
// already upright and its orientation 1. `bytes` must outlive the decoder. A file whose grid,
// overlay, tiles or alpha plane would make a picture beyond `limits` is refused as too large
// before libheif decodes anything.
std::unique_ptr<ImageDecoder> decoder(QByteArrayView bytes, DecodeLimits limits);

} // namespace quorvane::HeifDecoder
