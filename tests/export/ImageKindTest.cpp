#include "export/ImageKind.h"

#include "export/ImageExporter.h"
#include "platform/TiffCodec.h"
#include "support/HeifFiles.h"
#include "support/HostileImages.h"
#include "support/ImageFiles.h"

#include <QBuffer>
#include <QDirIterator>
#include <QFile>
#include <QImageWriter>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using ImageKind::Kind;

// Files of every kind as encoders write them, small and large, and the importer's fuzzing seeds.
std::vector<std::pair<QString, QByteArray>> goodFiles() {
    const QImage picture = test::quadrants(64, 48);
    const QImage large = test::quadrants(1200, 900);
    QBuffer progressive;
    progressive.open(QIODevice::WriteOnly);
    QImageWriter writer(&progressive, "JPEG");
    writer.setProgressiveScanWrite(true);
    writer.write(large);
    std::vector<std::pair<QString, QByteArray>> files = {
        {"exported.png", ImageExporter::encode(large, ImageExporter::Format::png, 1).value()},
        {"qt.png", test::qtEncoded(large, "PNG")},
        {"indexed.png", test::qtEncoded(picture.convertToFormat(QImage::Format_Indexed8), "PNG")},
        {"interlaced.png", test::interlacedPng(picture)},
        {"exported.jpg", ImageExporter::encode(large, ImageExporter::Format::jpeg, 0.9).value()},
        {"progressive.jpg", progressive.data()},
        {"tiff", TiffCodec::encode(large).value()},
        {"gif", test::gif(64, 48, {Qt::red, Qt::blue}, std::vector<uchar>(64 * 48, 1), 0)},
        {"bmp", test::qtEncoded(large, "BMP")},
        {"heic", test::encodeHeic(picture)},
    };
    for (const char* folder : {"/../../fuzz/corpus/importer", "/golden"})
        for (QDirIterator found(QStringLiteral(QUORVANE_TEST_DATA_DIR) + QLatin1String(folder), QDir::Files);
             found.hasNext();) {
            QFile file(found.next());
            if (file.open(QIODevice::ReadOnly)) files.emplace_back(file.fileName(), file.readAll());
        }
    return files;
}

TEST(ImageKind, EveryWellFormedStartIsPlausibleAsFarAsItGoes) {
    for (const auto& [name, bytes] : goodFiles()) {
        SCOPED_TRACE(name.toStdString());
        const std::optional<Kind> kind = ImageKind::sniff(bytes);
        ASSERT_TRUE(kind);
        EXPECT_TRUE(ImageKind::plausibleHead(*kind, bytes.left(ImageKind::headLength)));
        // A head cut anywhere, as a slow program delivers it.
        for (qsizetype length = 1; length < std::min<qsizetype>(bytes.size(), 600); ++length)
            if (ImageKind::sniff(bytes.left(length)) == kind) {
                ASSERT_TRUE(ImageKind::plausibleHead(*kind, bytes.left(length))) << length;
            }
    }
}

TEST(ImageKind, JunkAfterASignatureIsNotPlausible) {
    const QByteArray zeros(ImageKind::headLength, '\0');
    const QByteArray png = test::qtEncoded(test::quadrants(16, 16), "PNG");
    const QByteArray jpeg = test::qtEncoded(test::quadrants(16, 16), "JPEG");
    QByteArray badName = png, badHeader = png, badLength = jpeg;
    badName[37] = '\x01'; // the second chunk's name
    badHeader[24] = 3;    // three bits a sample
    badLength[4] = badLength[5] = 0;
    const QByteArray bmpHeader = "BM" + test::le16(0) + test::le16(0) + test::le16(0) + test::le16(0) +
                                 test::le16(54) + test::le16(0) + test::le16(40) + test::le16(0);
    const std::tuple<const char*, Kind, QByteArray> junk[] = {
        {"png zeros", Kind::png, png.left(8) + zeros},
        {"png chunk name", Kind::png, badName},
        {"png header fields", Kind::png, badHeader},
        {"jpeg zeros", Kind::jpeg, "\xFF\xD8\xFF" + zeros},
        {"jpeg segment length", Kind::jpeg, badLength},
        {"jpeg unknown marker", Kind::jpeg, jpeg.left(2) + "\xFF\x42\0\x04xx" + jpeg.mid(2)},
        {"gif zeros", Kind::gif, "GIF89a" + zeros},
        {"tiff zeros", Kind::tiff, QByteArray("II*\0", 4) + zeros},
        {"bmp zeros", Kind::bmp, bmpHeader + zeros},
        {"heic zeros", Kind::heic,
         QByteArray("\0\0\0\x18"
                    "ftypheic\0\0\0\0mif1heic",
                    24) +
             zeros},
    };
    for (const auto& [name, kind, bytes] : junk) {
        SCOPED_TRACE(name);
        ASSERT_EQ(ImageKind::sniff(bytes), kind);
        EXPECT_FALSE(ImageKind::plausibleHead(kind, bytes.left(ImageKind::headLength)));
    }
    // What follows a PNG's image data is never read: junk there is no reason to refuse it.
    EXPECT_TRUE(ImageKind::plausibleHead(Kind::png, png.chopped(12) + zeros));
}

} // namespace
} // namespace quorvane
