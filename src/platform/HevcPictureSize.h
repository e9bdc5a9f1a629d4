#pragma once

// The picture size that HEVC sequence parameter sets declare: what the decoder allocates for,
// whatever size the container states.

#include <QByteArrayView>
#include <cstdint>
#include <vector>

namespace quorvane::HevcPictureSize {

struct Size {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool operator==(const Size&) const = default;
};

// The sizes of the parameter sets in a configuration record (the body of an "hvcC" box), and the
// length of the size fields that come before each unit of the coded data.
struct Configuration {
    std::vector<Size> sizes;
    int lengthSize = 4;
};
Configuration inConfiguration(QByteArrayView record);

// The sizes of the parameter sets among length-prefixed units of coded data.
std::vector<Size> inStream(QByteArrayView data, int lengthSize);

} // namespace quorvane::HevcPictureSize
