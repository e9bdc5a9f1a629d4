#include "platform/BmpBitFields.h"

#include <bit>

namespace quorvane {
namespace {

constexpr std::uint64_t plain = 0;
constexpr std::uint64_t bitFields = 3;
// Masks for alpha too, as some writers say of the Windows header.
constexpr std::uint64_t alphaBitFields = 6;
// What Windows takes for 16- and 32-bit pixels without masks: 5-5-5 and 8-8-8.
constexpr std::array<std::uint32_t, 4> fiveFiveFive = {0x7C00, 0x03E0, 0x001F, 0};
constexpr std::array<std::uint32_t, 4> eightEightEight = {0xFF'0000, 0xFF00, 0xFF, 0};

// The headers of 52 and 56 bytes hold three and four masks; Qt's reader takes neither.
bool masksInHeader(std::uint64_t headerSize) {
    return headerSize == 52 || headerSize == 56;
}

std::uint32_t littleEndian32(QByteArrayView bytes, qsizetype at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

std::uint8_t spread(std::uint64_t value, std::uint64_t max) {
    return static_cast<std::uint8_t>((value * 255 + max / 2) / max);
}

} // namespace

bool BmpBitFields::apply(int bits, std::uint64_t compression, std::uint64_t headerSize) {
    if (bits == 16 && compression == plain) return true;
    if (bits == 32 && compression == plain && masksInHeader(headerSize)) return true;
    // Masks follow the Windows headers (40 bytes) or stand in them (52, 56, 108, 124); other
    // headers are left to the general reader.
    const bool windowsHeader =
        headerSize == 40 || masksInHeader(headerSize) || headerSize == 108 || headerSize == 124;
    return (bits == 16 || bits == 32) && (compression == bitFields || compression == alphaBitFields) &&
           windowsHeader;
}

std::optional<BmpBitFields> BmpBitFields::read(QByteArrayView file, int bits, std::uint64_t compression,
                                               std::uint64_t headerSize) {
    if (!apply(bits, compression, headerSize)) return std::nullopt;
    std::array<std::uint32_t, 4> masks = bits == 32 ? eightEightEight : fiveFiveFive;
    if (compression == bitFields || compression == alphaBitFields) {
        // Red, green and blue at 54; alpha beside them only within the larger headers.
        const int count = headerSize >= 56 || compression == alphaBitFields ? 4 : 3;
        if (file.size() < 54 + 4 * count) return std::nullopt;
        for (int i = 0; i < 4; ++i)
            masks[i] = i < count ? littleEndian32(file, 54 + 4 * i) : 0;
    }
    const std::uint64_t pixelMax = bits == 32 ? 0xFFFF'FFFFu : 0xFFFFu;
    std::uint32_t seen = 0;
    BmpBitFields fields(bits);
    for (int i = 0; i < 4; ++i) {
        if (masks[i] > pixelMax || (masks[i] & seen) != 0 || !channel(masks[i], fields.channels_[i]))
            return std::nullopt;
        seen |= masks[i];
    }
    return fields;
}

bool BmpBitFields::channel(std::uint32_t mask, Channel& out) {
    if (mask == 0) return true;
    out.shift = std::countr_zero(mask);
    out.width = std::countr_one(mask >> out.shift);
    if (out.shift + out.width < 32 && (mask >> (out.shift + out.width)) != 0) return false;
    if (out.width <= 16) {
        const std::uint32_t max = (1u << out.width) - 1;
        out.levels.resize(max + 1);
        for (std::uint32_t v = 0; v <= max; ++v)
            out.levels[v] = spread(v, max);
    }
    return true;
}

std::uint8_t BmpBitFields::Channel::of(std::uint32_t pixel) const {
    if (width == 0) return 0;
    const std::uint32_t value =
        static_cast<std::uint32_t>((std::uint64_t{pixel} >> shift) & ((std::uint64_t{1} << width) - 1));
    return levels.empty() ? spread(value, (std::uint64_t{1} << width) - 1) : levels[value];
}

bool BmpBitFields::decode(QByteArrayView pixels, bool topDown, QImage& target) const {
    const std::int64_t width = target.width(), height = target.height();
    const std::int64_t bytesPerPixel = bits_ / 8;
    const std::int64_t rowBytes = (width * bits_ + 31) / 32 * 4;
    if (target.format() != QImage::Format_RGBA8888_Premultiplied ||
        rowBytes > pixels.size() / std::max<std::int64_t>(height, 1))
        return false;
    for (std::int64_t stored = 0; stored < height; ++stored) {
        const auto* in = reinterpret_cast<const std::uint8_t*>(pixels.data()) + stored * rowBytes;
        std::uint8_t* out = target.scanLine(static_cast<int>(topDown ? stored : height - 1 - stored));
        for (std::int64_t x = 0; x < width; ++x, in += bytesPerPixel, out += 4) {
            std::uint32_t pixel = in[0] | std::uint32_t{in[1]} << 8;
            if (bytesPerPixel == 4) pixel |= std::uint32_t{in[2]} << 16 | std::uint32_t{in[3]} << 24;
            const std::uint8_t alpha = hasAlpha() ? channels_[3].of(pixel) : 255;
            for (int c = 0; c < 3; ++c) {
                const unsigned value = channels_[c].of(pixel);
                out[c] = alpha == 255 ? static_cast<std::uint8_t>(value)
                                      : static_cast<std::uint8_t>((value * alpha + 127) / 255);
            }
            out[3] = alpha;
        }
    }
    return true;
}

} // namespace quorvane
