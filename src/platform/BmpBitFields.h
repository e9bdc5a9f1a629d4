#pragma once

// Pixels of a BMP whose channels are bit fields: 16 bits a pixel (five bits a channel when the file
// gives no masks), or 16 and 32 with masks (BI_BITFIELDS, or BI_ALPHABITFIELDS with alpha's), and
// 32 bits a pixel of the 52- and 56-byte headers, which hold the masks (eight bits a channel when
// they do not count). Each channel is spread over 0–255 by
// its own width, as round(v × 255 / max): a full channel reads 255, whether it has five bits or
// ten. Masks that overlap, have gaps or reach past the pixel are damage, as browsers take them;
// an empty mask gives a channel of 0 (no alpha, for the alpha mask).

#include <QByteArrayView>
#include <QImage>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace quorvane {

class BmpBitFields {
public:
    // Whether the pixels of a file of `bits` per pixel, `compression` and an information header of
    // `headerSize` bytes are read here.
    static bool apply(int bits, std::uint64_t compression, std::uint64_t headerSize);
    // The fields of such a file: none when its masks are missing or damaged.
    static std::optional<BmpBitFields> read(QByteArrayView file, int bits, std::uint64_t compression,
                                            std::uint64_t headerSize);

    bool hasAlpha() const { return channels_[3].width > 0; }
    // Fills `target` (RGBA8888_Premultiplied) from the rows at the start of `pixels`, stored
    // bottom-up unless `topDown`. False when they are not all there.
    bool decode(QByteArrayView pixels, bool topDown, QImage& target) const;

private:
    struct Channel {
        int shift = 0;
        int width = 0;
        // The 8-bit value of each v, for widths up to 16 bits.
        std::vector<std::uint8_t> levels;

        std::uint8_t of(std::uint32_t pixel) const;
    };

    explicit BmpBitFields(int bits) : bits_(bits) {}
    // False for a mask with a gap.
    static bool channel(std::uint32_t mask, Channel& out);

    int bits_;
    // Red, green, blue, alpha.
    std::array<Channel, 4> channels_;
};

} // namespace quorvane
