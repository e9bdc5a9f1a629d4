#pragma once

#include "platform/AnonymousMemory.h"

#include <QImage>
#include <QRect>
#include <cstdint>
#include <memory>
#include <span>

namespace quorvane {

// An 8-bit copy of an image for walks over its pixels: rows from the top down, 4 × width bytes
// each, red, green, blue, alpha premultiplied, sRGB; pixel (x, y) at byte (y × width + x) × 4.
// Immutable; the bytes live in an anonymous map released with the grid.
class EdgeGrid {
public:
    // None for an image without pixels or when the bytes cannot be had.
    static std::shared_ptr<const EdgeGrid> make(const QImage& image);
    // Only `area` of `image` (in its pixels), as if the image had been cropped to it first.
    static std::shared_ptr<const EdgeGrid> make(const QImage& image, const QRect& area);

    EdgeGrid(const EdgeGrid&) = delete;
    EdgeGrid& operator=(const EdgeGrid&) = delete;
    ~EdgeGrid();

    int width() const { return width_; }
    int height() const { return height_; }
    std::span<const std::uint8_t> bytes() const {
        return {static_cast<const std::uint8_t*>(memory_.address),
                static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 4};
    }

private:
    EdgeGrid(int width, int height, AnonymousMemory::Mapping memory)
        : width_(width), height_(height), memory_(memory) {}

    int width_;
    int height_;
    AnonymousMemory::Mapping memory_;
};

} // namespace quorvane
