#include "export/ClipboardItem.h"

#include "export/ImageExporter.h"
#include "imaging/MappedBitmap.h"
#include "platform/TiffCodec.h"

#include <QPainter>
#include <QtEndian>
#include <gtest/gtest.h>
#include <zlib.h>

namespace quorvane {
namespace {

// The TIFF a reader of the clipboard item gets, decoded; none when it gets nothing.
std::optional<QImage> pastedTiff(const QByteArray& png) {
    const QByteArray tiff = ClipboardItem(png).data(QStringLiteral("image/tiff"));
    if (tiff.isEmpty()) return std::nullopt;
    const auto decoder = TiffCodec::decoder(tiff);
    ImageHeader header;
    if (decoder->readHeader(header) != ImageDecoder::Status::image) return std::nullopt;
    auto image =
        MappedBitmap::image(header.width, header.height, MappedBitmap::Alpha::premultipliedLast, nullptr);
    if (!image || !decoder->decode(*image)) return std::nullopt;
    return image;
}

// A stitched scrolling capture is as large as 2000 × 20,000 pixels: more than any image the
// program opens, but its own, so a paste as TIFF must still get all of it.
TEST(ClipboardItem, ATiffOfOurOwnFortyMegapixelCapture) {
    constexpr int width = 2000, height = 20'000;
    // Red above, blue below, one green pixel at the bottom right: a flip or a cut shows.
    auto image =
        MappedBitmap::image(width, height, MappedBitmap::Alpha::premultipliedLast, [](QImage& target) {
            {
                QPainter painter(&target);
                painter.fillRect(0, 0, width, height / 2, Qt::red);
                painter.fillRect(0, height / 2, width, height - height / 2, Qt::blue);
            }
            target.setPixelColor(width - 1, height - 1, Qt::green);
        });
    ASSERT_TRUE(image);
    const auto png = ImageExporter::encode(*image, ImageExporter::Format::png, 1);
    ASSERT_TRUE(png.ok());
    const auto pasted = pastedTiff(*png);
    ASSERT_TRUE(pasted);
    EXPECT_EQ(pasted->size(), QSize(width, height));
    EXPECT_EQ(pasted->pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(pasted->pixel(0, height - 1), qRgb(0, 0, 255));
    EXPECT_EQ(pasted->pixel(width - 1, height - 1), qRgb(0, 255, 0));
}

// A PNG of `width` × `height` that holds a header and nothing else.
QByteArray pngHeaderOnly(std::uint32_t width, std::uint32_t height) {
    QByteArray ihdr("IHDR", 4);
    for (std::uint32_t side : {width, height}) {
        const std::uint32_t big = qToBigEndian(side);
        ihdr.append(reinterpret_cast<const char*>(&big), 4);
    }
    ihdr.append("\x08\x06\x00\x00\x00", 5); // 8-bit RGBA
    const std::uint32_t crc = qToBigEndian(static_cast<std::uint32_t>(
        crc32_z(0, reinterpret_cast<const Bytef*>(ihdr.data()), static_cast<std::size_t>(ihdr.size()))));
    QByteArray png("\x89PNG\r\n\x1a\n\0\0\0\x0d", 12);
    return png + ihdr + QByteArray(reinterpret_cast<const char*>(&crc), 4);
}

// Bytes that are not a whole PNG within the limit give a reader no TIFF.
TEST(ClipboardItem, NoTiffForForeignOrBrokenBytes) {
    for (const auto& [bytes, what] :
         {std::pair(pngHeaderOnly(100'000, 100'000), "ten gigapixels claimed"),
          std::pair(pngHeaderOnly(100, 100), "no pixel data"),
          std::pair(QByteArray("\x89PNG\r\n\x1a\n", 8), "no header"), std::pair(QByteArray(), "empty")})
        EXPECT_FALSE(pastedTiff(bytes)) << what;
}

} // namespace
} // namespace quorvane
