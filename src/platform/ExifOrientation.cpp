#include "platform/ExifOrientation.h"

namespace quorvane::ExifOrientation {

int read(const std::uint8_t* tiff, std::size_t size) {
    if (tiff == nullptr || size < 8) return 1;
    bool little = false;
    if (tiff[0] == 'I' && tiff[1] == 'I' && tiff[2] == 42 && tiff[3] == 0)
        little = true;
    else if (!(tiff[0] == 'M' && tiff[1] == 'M' && tiff[2] == 0 && tiff[3] == 42))
        return 1;
    const auto u16 = [&](std::size_t at) -> unsigned {
        return little ? tiff[at] | tiff[at + 1] << 8 : tiff[at] << 8 | tiff[at + 1];
    };
    const auto u32 = [&](std::size_t at) -> std::uint32_t {
        return little ? static_cast<std::uint32_t>(u16(at) | u16(at + 2) << 16)
                      : static_cast<std::uint32_t>(u16(at) << 16 | u16(at + 2));
    };
    const std::uint32_t directory = u32(4);
    if (directory > size - 2) return 1;
    const unsigned entries = u16(directory);
    for (unsigned i = 0; i < entries; ++i) {
        const std::size_t entry = directory + 2 + 12 * static_cast<std::size_t>(i);
        if (entry + 12 > size) return 1;
        // Tag 0x0112, type SHORT, one value, held in the entry itself.
        if (u16(entry) != 0x0112) continue;
        if (u16(entry + 2) != 3 || u32(entry + 4) != 1) return 1;
        return static_cast<int>(u16(entry + 8));
    }
    return 1;
}

} // namespace quorvane::ExifOrientation
