#pragma once

#include "platform/ImageDecoder.h"

#include <QByteArrayView>
#include <memory>

namespace quorvane::HeifDecoder {

// The primary image with the file's rotation, mirroring and crop applied, so its header size is
// already upright and its orientation 1. `bytes` must outlive the decoder.
std::unique_ptr<ImageDecoder> decoder(QByteArrayView bytes);

} // namespace quorvane::HeifDecoder
