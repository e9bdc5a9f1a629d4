#pragma once

#include "core/Error.h"
#include "core/Result.h"
#include "platform/ImageDecoder.h"

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace quorvane::JpegCodec {

// Fills one row of opaque RGBX pixels (the fourth byte is ignored).
using RowSource = std::function<void(int y, std::uint8_t* rgbx)>;

// A baseline JPEG of `width` × `height` pixels at `quality` 0 to 100, its rows asked from `row`
// top to bottom. Errors (EncodeError): an empty size, libjpeg's refusal with its text.
Result<QByteArray, Error> encode(int width, int height, int quality, const RowSource& row);

// `bytes` must outlive the decoder. Data that ends early or is cut short inside an entropy-coded
// segment is unreadable; CMYK images are converted to RGB. Of the metadata it keeps only the first
// Exif segment before the first scan and the colour profile's segments, all of them or, past the
// limit of ImageDecoder.h, none; every other segment is skipped unread.
std::unique_ptr<ImageDecoder> decoder(QByteArrayView bytes);

// The segments the decoder reads before the first scan, told by their first bytes (`label`: the
// first `labelLength` of the segment's data, or all of it when shorter) and the length of their
// data: an APP1 segment of Exif, for the orientation, and APP2 segments of a colour profile.
inline constexpr qsizetype labelLength = 14;
bool isExif(QByteArrayView label, std::int64_t dataLength);
bool isProfilePart(QByteArrayView label, std::int64_t dataLength);

// Each scan of a progressive file is a pass over every block of its components, however few bytes
// it takes: half a megabyte of repeated scans kept a 30-megapixel image decoding for half a minute.
// Encoders write about ten; more than this, as libjpeg-turbo's tools can be told to refuse, is
// taken for damage.
inline constexpr int maxScans = 100;

// The most bytes of entropy-coded data a scan can take in the frame whose header this is (`code`,
// the marker's second byte, and the segment's data after its length), restart markers included:
// for the Huffman-coded frames libjpeg decodes; none for others, or for a header that leaves the
// height to a later marker.
std::optional<std::int64_t> longestScan(std::uint8_t code, QByteArrayView frame);

} // namespace quorvane::JpegCodec
