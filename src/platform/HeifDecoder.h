#pragma once

#include "platform/ImageDecoder.h"

#include <QByteArrayView>
#include <memory>

namespace quorvane::HeifDecoder {

// The primary image with the file's rotation, mirroring and crop applied, so its header size is
// already upright and its orientation 1. `bytes` must outlive the decoder. Before libheif decodes
// anything, a file whose grid, overlay, tiles or alpha plane would make a picture beyond `limits`
// is refused as too large, and one whose pictures together would pass twice the limits, or that
// cannot be read the way libheif reads it, as unreadable.
std::unique_ptr<ImageDecoder> decoder(QByteArrayView bytes, DecodeLimits limits);

} // namespace quorvane::HeifDecoder
