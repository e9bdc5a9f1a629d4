#include "export/ImageImporter.h"

#include "core/LocalFileUrl.h"
#include "export/ImageExporter.h"
#include "platform/AnonymousMemory.h"
#include "platform/TiffCodec.h"
#include "support/HeifFiles.h"
#include "support/HostileImages.h"
#include "support/ImageCompare.h"
#include "support/ImageFiles.h"
#include "support/TempDir.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QMimeDatabase>
#include <QPainter>
#include <bit>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane {
namespace {

using ImageImporter::ImportError;
const QColor r = Qt::red, g = Qt::green, b = Qt::blue, w = Qt::white;
using test::gif;
using test::le16;
using test::qtEncoded;
using test::quadrants;
using test::withCodedSize;

// The colours at the quadrants' centres, row by row, each channel rounded to 0 or 255 (lossy formats).
std::vector<QColor> quadrantColors(const QImage& image) {
    std::vector<QColor> colors;
    for (int y : {image.height() / 4, image.height() * 3 / 4})
        for (int x : {image.width() / 4, image.width() * 3 / 4}) {
            const QColor c = image.pixelColor(x, y);
            colors.emplace_back(c.red() > 128 ? 255 : 0, c.green() > 128 ? 255 : 0, c.blue() > 128 ? 255 : 0);
        }
    return colors;
}

QByteArray encoded(const QImage& image, ImageExporter::Format format = ImageExporter::Format::png) {
    return ImageExporter::encode(image, format, 0.95).value();
}

// An Exif segment holding only the orientation, right after the start-of-image marker.
QByteArray withOrientation(const QByteArray& jpeg, int orientation) {
    const QByteArray exif = QByteArray("Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 24) +
                            le16(orientation) + QByteArray(6, '\0');
    return jpeg.left(2) + "\xFF\xE1" + le16(int(exif.size()) + 2, true) + exif + jpeg.mid(2);
}

// The same JPEG with a frame header that claims another size.
QByteArray withClaimedSize(QByteArray jpeg, int width, int height) {
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    return jpeg.replace(frame + 5, 4, le16(height, true) + le16(width, true));
}

// `image` as a HEIC file at `path`, and its bytes.
QByteArray heic(const QImage& image, const QString& path) {
    const QByteArray bytes = test::encodeHeic(image);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
    return bytes;
}

// The encoder stores a picture whose sides are not multiples of its blocks as one padded tile in a
// grid; the grid records (eight bytes each, in "idat") say how large the canvas is.
QByteArray withGridCanvas(QByteArray heif, int record, int width, int height) {
    const qsizetype at = heif.indexOf("idat") + 4 + 8 * record;
    EXPECT_GT(at, 8);
    EXPECT_EQ(heif[at + 1], 0) << "16-bit fields";
    for (const auto& [offset, value] : {std::pair(4, width), std::pair(6, height)}) {
        heif[at + offset] = char(value >> 8);
        heif[at + offset + 1] = char(value & 0xFF);
    }
    return heif;
}

// The first "ispe" is the tile's coded size.
QByteArray withTileSize(QByteArray heif, std::uint32_t width, std::uint32_t height) {
    const qsizetype at = heif.indexOf("ispe") + 8;
    for (int i = 0; i < 4; ++i) {
        heif[at + i] = char(width >> (24 - 8 * i));
        heif[at + 4 + i] = char(height >> (24 - 8 * i));
    }
    return heif;
}

// Small samples written to the seeds also start the importer's fuzzing.
const QString seeds = QStringLiteral(QUORVANE_TEST_DATA_DIR "/../../build/fuzz-seeds/importer/");
const test::TempDir folder;
const QString dir = QString::fromStdString(folder.path().string()) + '/';

QUrl written(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return QUrl::fromLocalFile(path);
}

TEST(ImageImporter, OpensAllSixFormatsFromFilesAndData) {
    const QImage picture = quadrants(64, 48);
    QImage translucent = picture.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    translucent.setPixelColor(0, 0, QColor(0, 0, 0, 0));
    const QImage clearCorner = translucent;
    translucent.setPixelColor(63, 47, QColor(40, 80, 120, 128));
    // The GIF: one palette entry per quadrant, and a transparent corner.
    std::vector<uchar> indices(64 * 48);
    for (std::size_t i = 0; i < indices.size(); ++i)
        indices[i] = uchar((i / 64 >= 24) * 2 + (i % 64 >= 32));
    indices[0] = 9;
    // Name, bytes, and the image exactly, or null for lossy formats.
    const std::tuple<const char*, QByteArray, QImage> samples[] = {
        {"opaque.png", encoded(picture), picture},
        {"translucent.png", encoded(translucent), translucent},
        {"indexed.png", qtEncoded(picture.convertToFormat(QImage::Format_Indexed8), "PNG"), picture},
        {"sixteen-bit.png", qtEncoded(picture.convertToFormat(QImage::Format_RGBA64), "PNG"), picture},
        {"picture.jpg", encoded(picture, ImageExporter::Format::jpeg), {}},
        {"picture.heic", heic(picture, dir + "picture.heic"), {}},
        {"picture.tiff", *TiffCodec::encode(picture), picture},
        {"translucent.tiff", *TiffCodec::encode(translucent), translucent},
        {"picture.gif", gif(64, 48, {r, g, b, w}, indices, 9), clearCorner},
        {"picture.bmp", qtEncoded(picture, "BMP"), picture},
    };
    for (const auto& [name, bytes, exactly] : samples) {
        SCOPED_TRACE(name);
        for (const auto& result :
             {ImageImporter::image(bytes), ImageImporter::image(written(dir + name, bytes))}) {
            ASSERT_TRUE(result) << result.error().message().toStdString();
            EXPECT_EQ(result->format(), QImage::Format_RGBA8888_Premultiplied);
            EXPECT_EQ(quadrantColors(*result), quadrantColors(picture));
            EXPECT_TRUE(exactly.isNull() || test::imagesNear(*result, exactly, 0));
        }
    }
}

TEST(ImageImporter, OpensTopDownBmpsAsTheirBottomUpTwins) {
    QImage twoColors = quadrants(16, 8);
    twoColors.fill(Qt::blue);
    QPainter(&twoColors).fillRect(0, 0, 8, 4, Qt::red);
    for (const int bits : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(bits);
        const QImage picture = bits == 1 ? twoColors : quadrants(16, 8);
        const auto bottomUp = ImageImporter::image(test::bmp(picture, bits));
        const QByteArray topDownBytes = test::bmp(picture, bits, test::BmpRows::topDown);
        if (bits == 8) written(seeds + "top-down.bmp", topDownBytes);
        const auto topDown = ImageImporter::image(topDownBytes);
        ASSERT_TRUE(bottomUp) << bottomUp.error().message().toStdString();
        ASSERT_TRUE(topDown) << topDown.error().message().toStdString();
        EXPECT_EQ(quadrantColors(*topDown), quadrantColors(picture));
        EXPECT_TRUE(test::imagesNear(*topDown, *bottomUp, 0));
    }
    // Refused as their bottom-up twins would be: a height of no positive counterpart, run-length
    // rows (stored bottom-up only), a height beyond the caps.
    QByteArray lowest = test::bmp(quadrants(16, 8), 24, test::BmpRows::topDown);
    lowest.replace(22, 4, QByteArray("\0\0\0\x80", 4));
    QByteArray tall = test::bmp(quadrants(16, 8), 24, test::BmpRows::topDown);
    tall.replace(22, 4, le16(-40'000 & 0xFFFF) + le16(-1));
    EXPECT_FALSE(ImageImporter::image(lowest));
    EXPECT_EQ(ImageImporter::image(test::runLengthBmp(8, -4, QByteArray("\x08\x07\0\0\0\x01", 6))).error(),
              ImportError::unreadable());
    EXPECT_TRUE(ImageImporter::image(test::runLengthBmp(8, 4, QByteArray("\x08\x07\0\0\0\x01", 6))));
    EXPECT_EQ(ImageImporter::image(tall).error(), ImportError::tooLarge(16, 40'000));
    EXPECT_EQ(ImageImporter::image(written(dir + "tall.bmp", tall)).error(),
              ImportError::tooLarge(16, 40'000));
}

// Bit-field channels are spread over 0–255 by their width, top-down and bottom-up alike: each
// value within 1 of round(v × 255 / max), a full channel 255, whether narrower or wider than 8 bits,
// alpha too. Masks that overlap, have gaps or reach past the pixel are damage; an empty one reads 0.
TEST(ImageImporter, SpreadsBmpBitFieldsOverTheWholeRange) {
    const std::pair<int, std::vector<std::uint32_t>> formats[] = {
        {16, {}},                                   // 5-5-5
        {16, {0xF800, 0x07E0, 0x001F}},             // 5-6-5
        {32, {0x3FF00000, 0x000FFC00, 0x000003FF}}, // 10-10-10
        {16, {0x0F00, 0x00F0, 0x000F, 0xF000}}};    // 4-4-4-4, alpha swept over white
    for (const auto& [bits, given] : formats) {
        const std::vector<std::uint32_t> masks =
            given.empty() ? std::vector<std::uint32_t>{0x7C00, 0x03E0, 0x001F} : given;
        int width = 0;
        for (const std::uint32_t mask : masks)
            width = std::max(width, 1 << std::popcount(mask));
        const bool alpha = masks.size() == 4;
        // Row 0 counts up, row 1 down, in every channel at once (the alpha case: in alpha alone).
        std::vector<std::uint32_t> pixels;
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < width; ++x)
                for (std::size_t c = 0; c < masks.size(); ++c) {
                    const std::uint32_t max = masks[c] >> std::countr_zero(masks[c]);
                    const std::uint32_t value =
                        alpha && c < 3 ? max : std::uint32_t(y == 0 ? x : width - 1 - x) & max;
                    if (c == 0) pixels.push_back(0);
                    pixels.back() |= value << std::countr_zero(masks[c]);
                }
        for (const auto rows : {test::BmpRows::bottomUp, test::BmpRows::topDown}) {
            SCOPED_TRACE(testing::Message()
                         << std::hex << masks[0] << (rows == test::BmpRows::topDown ? " top-down" : ""));
            const auto opened = ImageImporter::image(test::bitFieldsBmp(width, 2, bits, given, pixels, rows));
            ASSERT_TRUE(opened) << opened.error().message().toStdString();
            int wrong = 0;
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < width; ++x)
                    for (std::size_t c = 0; c < 4; ++c) {
                        const std::uint32_t mask = masks[alpha ? 3 : std::min<std::size_t>(c, 2)];
                        const std::uint32_t max = mask >> std::countr_zero(mask);
                        const std::uint32_t value = std::uint32_t(y == 0 ? x : width - 1 - x) & max;
                        const int expected = c == 3 && !alpha ? 255 : int(std::lround(value * 255.0 / max));
                        const int got = opened->constScanLine(y)[x * 4 + int(c)];
                        wrong += std::abs(got - expected) > 1 || (value == max && got != 255);
                    }
            EXPECT_EQ(wrong, 0);
        }
    }
    const std::vector<std::uint32_t> one(4, 0xFFFFFFFF);
    for (const auto& masks : {std::vector<std::uint32_t>{0xF800, 0x0FE0, 0x001F},
                              {0xF400, 0x07E0, 0x001F},
                              {0x1F0000, 0x07E0, 0x001F},
                              {0xF800, 0x07E0, 0x001F, 0x0020}})
        EXPECT_EQ(ImageImporter::image(test::bitFieldsBmp(2, 2, 16, masks, one)).error(),
                  ImportError::unreadable())
            << std::hex << masks[0] << " " << masks[1];
    const auto noRed = ImageImporter::image(test::bitFieldsBmp(2, 2, 16, {0, 0x07E0, 0x001F}, one));
    ASSERT_TRUE(noRed);
    EXPECT_EQ(noRed->pixelColor(1, 1), QColor(0, 255, 255));
}

TEST(ImageImporter, TurnsImagesUpright) {
    const QByteArray large = encoded(quadrants(4000, 3000), ImageExporter::Format::jpeg);
    EXPECT_EQ(ImageImporter::image(withOrientation(large, 6))->size(), QSize(3000, 4000));
    EXPECT_EQ(ImageImporter::image(withOrientation(large, 1))->size(), QSize(4000, 3000));

    const QByteArray small = encoded(quadrants(64, 32), ImageExporter::Format::jpeg);
    const std::vector<QColor> expected[] = {{r, g, b, w}, {g, r, w, b}, {w, b, g, r}, {b, w, r, g},
                                            {r, b, g, w}, {b, r, w, g}, {w, g, b, r}, {g, w, r, b}};
    for (int orientation = 1; orientation <= 9; ++orientation) {
        const QImage image = ImageImporter::image(withOrientation(small, orientation)).value();
        // Values outside 1…8 leave the image as stored.
        EXPECT_EQ(image.size(), orientation >= 5 && orientation <= 8 ? QSize(32, 64) : QSize(64, 32));
        EXPECT_EQ(quadrantColors(image), expected[orientation <= 8 ? orientation - 1 : 0]) << orientation;
    }
}

TEST(ImageImporter, ChecksTheCapsOnTheOrientedHeaderBeforeDecoding) {
    const QByteArray jpeg = encoded(quadrants(16, 16), ImageExporter::Format::jpeg);
    const auto maps = AnonymousMemory::counters().maps;
    const auto square = ImageImporter::image(withClaimedSize(jpeg, 6000, 6000));
    EXPECT_EQ(square.error(), ImportError::tooLarge(6000, 6000));
    EXPECT_EQ(square.error().message(),
              "This image is 6000 × 6000 pixels; Quorvane opens images up to 32 megapixels.");
    const auto turned = ImageImporter::image(withOrientation(withClaimedSize(jpeg, 5000, 8000), 8));
    EXPECT_EQ(turned.error(), ImportError::tooLarge(8000, 5000)) << "upright: 8000 × 5000";
    EXPECT_EQ(AnonymousMemory::counters().maps, maps);

    const auto tooWide = ImageImporter::image(encoded(quadrants(32'001, 10)));
    EXPECT_EQ(tooWide.error(), ImportError::tooLarge(32'001, 10));
    EXPECT_EQ(tooWide.error().message(),
              "This image is 32001 × 10 pixels; Quorvane opens images up to 32 megapixels "
              "and 32,000 pixels per side.");
    EXPECT_EQ(ImageImporter::image(encoded(quadrants(32'000, 1'000)))->size(), QSize(32'000, 1'000));
}

// libheif sizes a grid's canvas by the grid's own record and each tile by its own size, and the
// HEVC decoder each picture by its sequence parameter set, not by the image size the file
// declares; all are checked before anything is decoded.
TEST(ImageImporter, RefusesHeifGridsWhoseCanvasOrTilesPassTheCaps) {
    const QByteArray opaque = heic(quadrants(64, 48), dir + "grid.heic");
    QImage translucent = quadrants(64, 48).convertToFormat(QImage::Format_RGBA8888);
    translucent.setPixelColor(0, 0, QColor(0, 0, 0, 0));
    const QByteArray withAlpha = heic(translucent, dir + "alpha.heic");
    ASSERT_EQ(withAlpha.count("grid"), 2) << "picture and alpha plane";
    EXPECT_EQ(quadrantColors(ImageImporter::image(withAlpha).value()), quadrantColors(quadrants(64, 48)));
    const std::tuple<const char*, QByteArray, ImportError> bombs[] = {
        {"grid-30000x30000.heic", withGridCanvas(opaque, 0, 30'000, 30'000),
         ImportError::tooLarge(30'000, 30'000)},
        {"grid-40000x10.heic", withGridCanvas(opaque, 0, 40'000, 10), ImportError::tooLarge(40'000, 10)},
        {"grid-tile-20000x20000.heic", withTileSize(opaque, 20'000, 20'000),
         ImportError::tooLarge(20'000, 20'000)},
        {"grid-tile-huge.heic", withTileSize(opaque, 0xFFFFFFFF, 0xFFFFFFFF),
         ImportError::tooLarge(0xFFFFFFFF, 0xFFFFFFFF)},
        {"coded-30000x30000.heic", withCodedSize(opaque, 30'000, 30'000),
         ImportError::tooLarge(30'000, 30'000)},
        {"alpha-grid-a.heic", withGridCanvas(withAlpha, 0, 20'000, 20'000),
         ImportError::tooLarge(20'000, 20'000)},
        {"alpha-grid-b.heic", withGridCanvas(withAlpha, 1, 20'000, 20'000),
         ImportError::tooLarge(20'000, 20'000)},
    };
    for (const auto& [name, bytes, refusal] : bombs) {
        SCOPED_TRACE(name);
        written(seeds + name, bytes);
        const auto maps = AnonymousMemory::counters().maps;
        EXPECT_EQ(ImageImporter::image(bytes).error(), refusal);
        EXPECT_EQ(ImageImporter::image(written(dir + name, bytes)).error(), refusal);
        EXPECT_EQ(AnonymousMemory::counters().maps, maps);
    }
    EXPECT_EQ(std::get<2>(bombs[0]).message(),
              "This image is 30000 × 30000 pixels; Quorvane opens images up to 32 megapixels.");
}

TEST(ImageImporter, RefusesWhatItCannotOpenOrThatEndsEarlyWithTheReason) {
    const auto typeName = [](const char* mime) { return QMimeDatabase().mimeTypeForName(mime).comment(); };
    const QByteArray pdf("%PDF-1.4\n1 0 obj\n<< /Type /Catalog >>\nendobj\n%%EOF\n");
    const QUrl pdfFile = written(dir + "doc.pdf", pdf);
    const auto refused = ImageImporter::image(pdfFile);
    EXPECT_EQ(refused.error(), ImportError::unsupportedType(typeName("application/pdf")));
    EXPECT_EQ(refused.error().message(pdfFile),
              "Quorvane can't open “doc.pdf”: " + typeName("application/pdf") +
                  " isn't a supported format. Open a PNG, JPEG, HEIC, TIFF, GIF, "
                  "or BMP image.");
    EXPECT_EQ(ImageImporter::image(pdf).error(), refused.error());
    EXPECT_EQ(ImageImporter::image(written(dir + "notes.txt", "hello")).error(),
              ImportError::unsupportedType(typeName("text/plain")));
    EXPECT_EQ(ImageImporter::image(written(dir + "notes.qvx", "hello")).error(),
              ImportError::unsupportedType("QVX"));

    const QByteArray png = encoded(quadrants(32, 32));
    const QByteArray jpeg = encoded(quadrants(32, 32), ImageExporter::Format::jpeg);
    const QByteArray whole = gif(32, 32, {r, b}, std::vector<uchar>(32 * 32, 1));
    const QByteArray empty = gif(32, 32, {r}, {});
    // A trailer pasted after half of the data still does not make a whole image.
    for (const QByteArray& bad : {png.chopped(12), png.left(png.size() / 2) + png.right(12), jpeg.chopped(2),
                                  jpeg.left(jpeg.size() / 2) + "\xFF\xD9", whole.chopped(3), empty.chopped(1),
                                  QByteArray("\x01\x02\x03 not an image")})
        EXPECT_EQ(ImageImporter::image(bad).error(), ImportError::unreadable()) << bad.left(4).toStdString();
    // A complete GIF without frames holds no image.
    EXPECT_EQ(ImageImporter::image(empty).error(), ImportError::noImage());
    // Zeros after the JPEG trailer, and formats without a trailer, are not in the way.
    EXPECT_TRUE(ImageImporter::image(jpeg + QByteArray(100, '\0')));
    EXPECT_TRUE(ImageImporter::image(qtEncoded(quadrants(8, 8), "BMP") + "garbage"));
    EXPECT_TRUE(ImageImporter::image(*TiffCodec::encode(quadrants(8, 8)) + "garbage"));

    // Folders, pipes (nothing waits on them), other schemes and data without an image are
    // unreadable; a file that is not there, in a folder that is not there either, is said to be
    // missing.
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir + "pipe.png").constData(), 0600), 0);
    for (const QUrl& url : {QUrl::fromLocalFile(dir + "pipe.png"), QUrl::fromLocalFile(dir),
                            QUrl("https://example.com/a.png"), written(dir + "notes.png", "hello")})
        EXPECT_EQ(ImageImporter::image(url).error(), ImportError::unreadable())
            << url.toString().toStdString();
    for (const QUrl& url :
         {QUrl::fromLocalFile(dir + "missing.png"), QUrl::fromLocalFile(dir + "none/missing.png"),
          QUrl::fromLocalFile(dir + "notes.png/missing.png")})
        EXPECT_EQ(ImageImporter::image(url).error(), ImportError::missing()) << url.toString().toStdString();
    EXPECT_EQ(ImportError::missing().message(QUrl::fromLocalFile(dir + "missing.png")),
              "“missing.png” isn't there. It may have been moved, renamed, or deleted.");
    EXPECT_EQ(ImportError::missing().message(),
              "The file isn't there. It may have been moved, renamed, or deleted.");
    EXPECT_EQ(ImageImporter::image(QByteArray()).error(), ImportError::noImage());
    EXPECT_EQ(ImportError::noImage().message(), "There's no image to open.");
    EXPECT_EQ(ImportError::unreadable().message(QUrl::fromLocalFile(dir + "missing.png")),
              "Quorvane can't read “missing.png”. The file may be missing, damaged, or not accessible.");
}

// A name is the bytes the file system holds, text or not; "file://localhost/" is this machine.
TEST(ImageImporter, OpensFilesByTheBytesOfTheirNames) {
    const QByteArray folderBytes = QFile::encodeName(dir);
    for (const QByteArray& name :
         {QByteArray("caf\xE9.png"), QByteArray("new\nline.png"), QByteArray("-dash.png")}) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray path = folderBytes + name;
        const QByteArray png = encoded(quadrants(8, 8));
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, png.constData(), size_t(png.size())), png.size());
        ::close(fd);
        const QUrl url = LocalFileUrl::fromPath(path);
        const QUrl localhost("file://localhost" + url.toEncoded().mid(7));
        for (const QUrl& file : {url, localhost}) {
            const auto opened = ImageImporter::image(file);
            ASSERT_TRUE(opened) << file.toEncoded().toStdString();
            EXPECT_EQ(quadrantColors(*opened), quadrantColors(quadrants(8, 8)));
        }
    }
    // Messages name a file as text, with what is not text marked.
    EXPECT_EQ(ImportError::unreadable().message(LocalFileUrl::fromPath(folderBytes + "gon\xE9.png")),
              "Quorvane can't read “gon\uFFFD.png”. The file may be missing, damaged, or not accessible.");
    EXPECT_EQ(ImageImporter::image(LocalFileUrl::fromPath(folderBytes + "gon\xE9.png")).error(),
              ImportError::missing());
    // Devices are refused like pipes, without waiting; so are paths longer than any the system opens.
    EXPECT_EQ(ImageImporter::image(LocalFileUrl::fromPath("/dev/zero")).error(), ImportError::unreadable());
    EXPECT_EQ(ImageImporter::image(LocalFileUrl::fromPath(folderBytes + QByteArray(5000, 'a'))).error(),
              ImportError::unreadable());
}

// Only files on this computer open ("file://localhost/" is this one): a link to another's is
// refused naming the host, opened or pasted, where no file here or image data comes with it.
TEST(ImageImporter, RefusesFilesOnAnotherComputerNamingTheHost) {
    const QUrl here = written(dir + "here.png", encoded(quadrants(8, 8)));
    const QUrl elsewhere("file://otherhost" + here.path());
    EXPECT_TRUE(ImageImporter::image(QUrl("file://LOCALHOST" + here.path())));
    EXPECT_EQ(ImageImporter::image(elsewhere).error(), ImportError::onAnotherHost("otherhost"));
    EXPECT_EQ(ImportError::onAnotherHost("otherhost").message(elsewhere),
              "Quorvane can't open files on otherhost: “here.png” isn't on this computer.");
    QMimeData alone, withFile, withData;
    alone.setUrls({elsewhere});
    withFile.setUrls({elsewhere, here});
    withData.setUrls({elsewhere});
    withData.setData("image/png", encoded(quadrants(6, 4)));
    EXPECT_EQ(ImageImporter::image(alone).error(), ImportError::onAnotherHost("otherhost"));
    EXPECT_EQ(ImageImporter::image(withFile).value()->size(), QSize(8, 8));
    EXPECT_EQ(ImageImporter::image(withData).value()->size(), QSize(6, 4));
}

TEST(ImageImporter, ReadsClipboardFilesBeforeImageData) {
    const QByteArray turned = encoded(quadrants(8, 8).transformed(QTransform().rotate(180)));
    QMimeData both, data, text, webp, qtImage, words;
    both.setUrls({written(dir + "a.png", turned)});
    both.setData("image/tiff", *TiffCodec::encode(quadrants(8, 8)));
    data.setData("image/png", turned);
    text.setUrls({written(dir + "a.txt", "text")});
    webp.setUrls({written(dir + "a.webp", "RIFF")});
    qtImage.setImageData(quadrants(6, 4));
    words.setText("words");
    for (const QMimeData* readable : {&both, &data, &webp, &qtImage, &text})
        EXPECT_TRUE(ImageImporter::canRead(*readable));
    EXPECT_EQ(ImageImporter::image(both).value()->pixelColor(0, 0), w);
    EXPECT_EQ(ImageImporter::image(data).value()->size(), QSize(8, 8));
    EXPECT_EQ(ImageImporter::image(webp).error().kind, ImportError::Kind::unsupportedType);
    EXPECT_EQ(ImageImporter::image(qtImage).value()->pixelColor(0, 0), r);
    // A file that is no image is refused by name; text alone is nothing to paste.
    EXPECT_EQ(ImageImporter::image(text).error().kind, ImportError::Kind::unsupportedType);
    EXPECT_FALSE(ImageImporter::canRead(words));
    EXPECT_EQ(ImageImporter::image(words), std::optional<QImage>());
}

} // namespace
} // namespace quorvane
