#include "platform/EncodeError.h"
#include "platform/GifEncoder.h"
#include "platform/JpegCodec.h"
#include "platform/PngCodec.h"
#include "platform/TiffCodec.h"

#include "support/ResultPrinters.h"

#include <QImage>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// Each encoder says why it made no file instead of handing back nothing.
TEST(EncodeError, EncodersNameWhatTheyCouldNotEncode) {
    const QImage wrongFormat(4, 4, QImage::Format_ARGB32);
    const QImage rgba(4, 4, QImage::Format_RGBA8888);
    const std::vector<std::uint8_t> frame(16, 0);
    const auto noRows = [](int, std::uint8_t*) {};
    const struct {
        const char* name;
        Result<QByteArray, Error> encoded;
    } cases[] = {
        {"PNG of a null image", PngCodec::encode(QImage())},
        {"PNG of ARGB32", PngCodec::encode(wrongFormat)},
        {"TIFF of ARGB32", TiffCodec::encode(wrongFormat)},
        {"JPEG of no pixels", JpegCodec::encode(0, 4, 90, noRows)},
        {"GIF without a palette", GifEncoder::encode(4, 4, {}, std::nullopt, {frame}, 10)},
        {"GIF with a short frame", GifEncoder::encode(4, 4, {0xffffff}, std::nullopt, {{0, 0}}, 10)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.encoded);
        EXPECT_EQ(c.encoded.error(), EncodeError::error(EncodeError::Kind::unsupportedImage));
        EXPECT_EQ(c.encoded.error().domain, QStringLiteral("Quorvane.Encode"));
        EXPECT_EQ(c.encoded.error().message, QStringLiteral("The image cannot be encoded in this format."));
    }
    // What they can encode still comes out whole.
    EXPECT_TRUE(PngCodec::encode(rgba));
    EXPECT_TRUE(TiffCodec::encode(rgba));
    EXPECT_TRUE(GifEncoder::encode(4, 4, {0xffffff}, std::nullopt, {frame}, 10));
}

} // namespace
} // namespace quorvane
