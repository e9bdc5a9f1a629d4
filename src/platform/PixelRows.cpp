#include "platform/PixelRows.h"

#include <array>
#include <cstring>
#include <memory>

namespace quorvane::PixelRows {

void premultiplyRow(std::uint8_t* rgba, int width) {
    for (int x = 0; x < width; ++x, rgba += 4) {
        const unsigned alpha = rgba[3];
        if (alpha == 255) continue;
        rgba[0] = premultiply(rgba[0], alpha);
        rgba[1] = premultiply(rgba[1], alpha);
        rgba[2] = premultiply(rgba[2], alpha);
    }
}

void storeStraight(const std::uint8_t* rgba, std::uint8_t* target, int width) {
    std::memcpy(target, rgba, static_cast<std::size_t>(width) * 4);
    premultiplyRow(target, width);
}

void storeRgb(const std::uint8_t* rgb, std::uint8_t* target, int width) {
    for (int x = 0; x < width; ++x, rgb += 3, target += 4) {
        target[0] = rgb[0];
        target[1] = rgb[1];
        target[2] = rgb[2];
        target[3] = 255;
    }
}

bool isOpaque(const std::uint8_t* rgba, int width) {
    for (int x = 0; x < width; ++x)
        if (rgba[4 * x + 3] != 255) return false;
    return true;
}

const std::uint8_t* unpremultiplyTable(unsigned alpha) {
    static const auto tables = [] {
        auto result = std::make_unique<std::array<std::array<std::uint8_t, 256>, 256>>();
        for (unsigned a = 1; a < 256; ++a)
            for (unsigned c = 0; c < 256; ++c)
                (*result)[a][c] = static_cast<std::uint8_t>(c >= a ? 255 : (c * 255 + a / 2) / a);
        return result;
    }();
    return (*tables)[alpha & 255].data();
}

} // namespace quorvane::PixelRows
