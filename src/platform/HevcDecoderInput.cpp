#include "platform/HevcDecoderInput.h"

#include <cstdint>

namespace quorvane {
namespace {

constexpr int sequenceParameterSet = 33;
constexpr int firstNonVideoUnit = 32;
constexpr int idrWithLeadingPictures = 19;
constexpr int idrAlone = 20;

std::uint32_t bigEndian(QByteArrayView bytes, qsizetype at, int length) {
    std::uint32_t value = 0;
    for (int i = 0; i < length; ++i)
        value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

// Adds what one unit does to the decoder's work; false when it is a parameter set that cannot be
// read.
bool take(QByteArrayView unit, HevcDecoderInput& input) {
    if (unit.size() < 2) return true;
    const int type = static_cast<std::uint8_t>(unit[0]) >> 1 & 63;
    if (type == sequenceParameterSet) {
        const auto size = HevcPictureSize::ofSequenceParameterSet(unit);
        if (!size) return false;
        input.pictureSizes.push_back(*size);
    } else if (type < firstNonVideoUnit) {
        if (type != idrWithLeadingPictures && type != idrAlone) input.idrOnly = false;
        // The slice's first bit says whether it starts a picture.
        if (unit.size() > 2 && (static_cast<std::uint8_t>(unit[2]) & 0x80) != 0) ++input.pictures;
    }
    return true;
}

} // namespace

std::optional<HevcDecoderInput> HevcDecoderInput::read(QByteArrayView configuration, QByteArrayView data) {
    HevcDecoderInput input;
    // The record's fixed part, then its arrays of units, each with a two-byte length.
    if (configuration.size() < 23) return std::nullopt;
    const int arrays = static_cast<std::uint8_t>(configuration[22]);
    qsizetype at = 23;
    for (int a = 0; a < arrays; ++a) {
        if (at + 3 > configuration.size()) return std::nullopt;
        const std::uint32_t units = bigEndian(configuration, at + 1, 2);
        at += 3;
        for (std::uint32_t u = 0; u < units; ++u) {
            if (at + 2 > configuration.size()) return std::nullopt;
            const qsizetype length = bigEndian(configuration, at, 2);
            at += 2;
            if (length > configuration.size() - at || !take(configuration.sliced(at, length), input))
                return std::nullopt;
            at += length;
        }
    }
    for (at = 0; at < data.size();) {
        if (data.size() - at < 4) return std::nullopt;
        const qsizetype length = bigEndian(data, at, 4);
        at += 4;
        if (length > data.size() - at || !take(data.sliced(at, length), input)) return std::nullopt;
        at += length;
    }
    return input;
}

} // namespace quorvane
