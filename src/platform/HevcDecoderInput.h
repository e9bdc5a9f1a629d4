#pragma once

// What libheif hands the HEVC decoder for one image item, and so what the decoder allocates: the
// NAL units of the item's "hvcC" property, then the item's data split by four-byte lengths
// (whatever length the property states). Each picture is allocated at the size of a sequence
// parameter set; a picture other than an IDR picture makes the decoder invent the pictures it
// refers to, each as large again.

#include "platform/HevcPictureSize.h"

#include <QByteArrayView>
#include <optional>
#include <vector>

namespace quorvane {

struct HevcDecoderInput {
    // The size each sequence parameter set declares.
    std::vector<HevcPictureSize::Size> pictureSizes;
    // Pictures that slices start.
    int pictures = 0;
    // Whether every slice belongs to an IDR picture.
    bool idrOnly = true;

    bool operator==(const HevcDecoderInput&) const = default;

    // None when the record or the data cannot be split into units as libheif splits them, or a
    // sequence parameter set ends before its size.
    static std::optional<HevcDecoderInput> read(QByteArrayView configuration, QByteArrayView data);
};

} // namespace quorvane
