// Files made to cost the importer: ones that are no image, or longer than any image of their kind
// within the caps, are refused from their first bytes; ones that end before their pixels are
// refused on every way in; headers that claim too much are reported as too large, whatever else
// is wrong with the file.

#include "export/ImageImporter.h"
#include "support/ImageFiles.h"
#include "support/PeakMemory.h"
#include "support/TempDir.h"

#include <QFile>
#include <QMimeData>
#include <filesystem>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using ImageImporter::ImportError;

const test::TempDir folder;

QUrl written(const std::string& name, const QByteArray& bytes, std::uintmax_t length = 0) {
    const std::filesystem::path path = folder / name;
    QFile file(QString::fromStdString(path.string()));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    // The rest is a hole: zeros that take no disk.
    if (length > std::uintmax_t(bytes.size())) std::filesystem::resize_file(path, length);
    return QUrl::fromLocalFile(QString::fromStdString(path.string()));
}

QByteArray le32(std::uint32_t value) {
    return test::le16(int(value & 0xFFFF)) + test::le16(int(value >> 16));
}

// A 4 × 2 BMP of run-length coded rows: red at the bottom, blue at the top.
QByteArray runLengthBmp() {
    const QByteArray palette = QByteArray("\0\0\xFF\0\xFF\0\0\0", 8);
    const QByteArray rows = QByteArray("\x04\x00\x00\x00\x04\x01\x00\x01", 8);
    const QByteArray info = le32(40) + le32(4) + le32(2) + test::le16(1) + test::le16(8) + le32(1) +
                            le32(std::uint32_t(rows.size())) + le32(0) + le32(0) + le32(2) + le32(0);
    const std::uint32_t pixels = 14 + std::uint32_t(info.size() + palette.size());
    return "BM" + le32(pixels + std::uint32_t(rows.size())) + le32(0) + le32(pixels) + info + palette + rows;
}

TEST(ImageImporterHostile, DecidesFromTheFirstBytesBeforeReadingTheRest) {
    const QByteArray png = test::qtEncoded(test::quadrants(8, 8), "PNG");
    QByteArray claims = png;
    claims.replace(16, 8,
                   test::le16(0, true) + test::le16(40'000, true) + test::le16(0, true) +
                       test::le16(40'000, true));
    // Zeros named like an image; a PNG whose file is longer than any PNG within the caps.
    const std::tuple<std::string, QByteArray, std::uintmax_t, ImportError> files[] = {
        {"zeros.png", QByteArray(), std::uintmax_t{1023} << 20, ImportError::unreadable()},
        {"long.png", png, std::uintmax_t{400} << 20, ImportError::unreadable()},
        {"claims.png", claims, std::uintmax_t{400} << 20, ImportError::tooLarge(40'000, 40'000)},
    };
    for (const auto& [name, head, length, refusal] : files) {
        SCOPED_TRACE(name);
        const QUrl file = written(name, head, length);
        const test::PeakMemory memory;
        EXPECT_EQ(ImageImporter::image(file).error(), refusal);
        EXPECT_LT(memory.growth(), 50 << 20);
    }
    EXPECT_TRUE(ImageImporter::image(written("whole.png", png)));
}

TEST(ImageImporterHostile, RefusesImagesThatEndBeforeTheirPixelsOnEveryWayIn) {
    QByteArray bmp = test::qtEncoded(test::quadrants(16, 16), "BMP");
    bmp.replace(18, 8, le32(5000) + le32(6000));
    const QByteArray cutBmp = bmp.left(1024);
    const QByteArray runs = runLengthBmp();
    const QByteArray gif = test::gif(32, 24, {Qt::red, Qt::blue}, std::vector<uchar>(32 * 24, 1));
    const std::tuple<const char*, const char*, QByteArray> cut[] = {
        {"cut.bmp", "image/bmp", cutBmp},
        {"cut-runs.bmp", "image/bmp", runs.chopped(2)},
        {"cut.gif", "image/gif", gif.left(gif.size() / 2)},
    };
    for (const auto& [name, type, bytes] : cut) {
        SCOPED_TRACE(name);
        QMimeData pasted;
        pasted.setData(QString::fromLatin1(type), bytes);
        EXPECT_EQ(ImageImporter::image(bytes).error(), ImportError::unreadable());
        EXPECT_EQ(ImageImporter::image(written(name, bytes)).error(), ImportError::unreadable());
        EXPECT_EQ(ImageImporter::image(pasted).error(), ImportError::unreadable());
    }
    // Whole, they open on the clipboard too.
    QMimeData whole;
    whole.setData(QStringLiteral("image/bmp"), runs);
    const auto opened = ImageImporter::image(whole);
    ASSERT_TRUE(opened && *opened) << (opened ? "nothing" : opened.error().message().toStdString());
    EXPECT_EQ((*opened)->pixelColor(0, 0), QColor(Qt::blue));
    EXPECT_EQ((*opened)->pixelColor(3, 1), QColor(Qt::red));
    whole.setData(QStringLiteral("image/bmp"), QByteArray());
    whole.setData(QStringLiteral("image/gif"), gif);
    EXPECT_EQ(ImageImporter::image(whole).value()->size(), QSize(32, 24));
}

TEST(ImageImporterHostile, SaysTooLargeForEveryFormatWhoseHeaderClaimsTooMuch) {
    const QImage small = test::quadrants(16, 16);
    QByteArray jpeg = test::qtEncoded(small, "JPEG");
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    jpeg.replace(frame + 5, 4, test::le16(65'535, true) + test::le16(65'535, true));
    QByteArray bmp = test::qtEncoded(small, "BMP");
    bmp.replace(18, 8, le32(40'000) + le32(40'000));
    // A TIFF directory with the size and nothing else.
    const QByteArray tiff = QByteArray("II*\0", 4) + le32(8) + test::le16(2) + test::le16(256) +
                            test::le16(4) + le32(1) + le32(40'000) + test::le16(257) + test::le16(4) +
                            le32(1) + le32(40'000) + le32(0);
    for (const auto& [name, bytes, refusal] :
         {std::tuple("claims.jpg", jpeg, ImportError::tooLarge(65'535, 65'535)),
          std::tuple("claims.bmp", bmp, ImportError::tooLarge(40'000, 40'000)),
          std::tuple("claims.tiff", tiff, ImportError::tooLarge(40'000, 40'000))}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ImageImporter::image(bytes).error(), refusal);
        EXPECT_EQ(ImageImporter::image(written(name, bytes)).error(), refusal);
    }
}

} // namespace
} // namespace quorvane
