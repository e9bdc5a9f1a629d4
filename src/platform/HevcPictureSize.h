#pragma once

// The picture size that an HEVC sequence parameter set declares: what the decoder allocates each
// picture for, whatever size the container states.

#include <QByteArrayView>
#include <cstdint>
#include <optional>

namespace quorvane::HevcPictureSize {

struct Size {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool operator==(const Size&) const = default;
};

// The size in one NAL unit (with its two-byte header) that is a sequence parameter set; none when
// the unit is one but ends before its size.
std::optional<Size> ofSequenceParameterSet(QByteArrayView unit);

} // namespace quorvane::HevcPictureSize
