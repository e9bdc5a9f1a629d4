#pragma once

#include <QImage>
#include <cstdint>

namespace quorvane {

// What an image keeps alive: its stored row stride times its height, padding included.
inline std::int64_t imageByteCount(const QImage& image) {
    return static_cast<std::int64_t>(image.bytesPerLine()) * image.height();
}

} // namespace quorvane
