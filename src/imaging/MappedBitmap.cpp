#include "imaging/MappedBitmap.h"

#include "platform/AnonymousMemory.h"

#include <QColorSpace>
#include <limits>

namespace quorvane::MappedBitmap {
namespace {

constexpr std::int64_t maxSide = std::numeric_limits<int>::max() / 4;

void releaseMapping(void* info) {
    auto* mapping = static_cast<AnonymousMemory::Mapping*>(info);
    AnonymousMemory::unmap(*mapping);
    delete mapping;
}

std::optional<std::int64_t> rowBytesOf(std::int64_t width);

// Row bytes × height, for sizes that a QImage can address.
std::optional<std::int64_t> byteCount(std::int64_t width, std::int64_t height) {
    if (width < 1 || height < 1 || width > maxSide || height > maxSide) return std::nullopt;
    const auto stride = rowBytesOf(width);
    if (!stride || height > std::numeric_limits<std::int64_t>::max() / *stride) return std::nullopt;
    const std::int64_t bytes = *stride * height;
    if (static_cast<std::uint64_t>(bytes) > std::numeric_limits<std::size_t>::max()) return std::nullopt;
    return bytes;
}

std::optional<std::int64_t> rowBytesOf(std::int64_t width) {
    if (width < 0 || width > (std::numeric_limits<std::int64_t>::max() - 63) / 4) return std::nullopt;
    return (4 * width + 63) & ~std::int64_t{63};
}

} // namespace

std::optional<std::int64_t> rowBytes(std::int64_t width) {
    return rowBytesOf(width);
}

std::optional<QImage> image(std::int64_t width, std::int64_t height, Alpha alpha,
                            const std::function<void(QImage&)>& draw) {
    const auto bytes = byteCount(width, height);
    if (!bytes) return std::nullopt;
    const std::int64_t stride = *rowBytes(width);

    const auto mapping = AnonymousMemory::map(static_cast<std::size_t>(*bytes));
    if (!mapping) return std::nullopt;

    auto* info = new AnonymousMemory::Mapping(*mapping);
    const QImage::Format format =
        alpha == Alpha::premultipliedLast ? QImage::Format_RGBA8888_Premultiplied : QImage::Format_RGBX8888;
    QImage result(static_cast<uchar*>(mapping->address), static_cast<int>(width), static_cast<int>(height),
                  static_cast<qsizetype>(stride), format, releaseMapping, info);
    if (result.isNull()) {
        // QImage calls no cleanup for an image it refused to make.
        releaseMapping(info);
        return std::nullopt;
    }
    result.setColorSpace(QColorSpace::SRgb);
    // Qt reads the ignored byte of RGBX as alpha on some paths: keep it opaque.
    if (alpha == Alpha::noneSkipLast) result.fill(Qt::black);
    if (draw) draw(result);
    return result;
}

void prepareSpare(std::int64_t width, std::int64_t height) {
    if (const auto bytes = byteCount(width, height))
        AnonymousMemory::prepareSpare(static_cast<std::size_t>(*bytes));
}

} // namespace quorvane::MappedBitmap
