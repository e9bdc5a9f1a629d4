// Files made to cost the importer: ones that are no image, or longer than any image of their kind
// within the caps, are refused from their first bytes; ones that end before their pixels are
// refused on every way in; headers that claim too much are reported as too large, whatever else
// is wrong with the file.

#include "export/ImageImporter.h"
#include "platform/AnonymousMemory.h"
#include "platform/TiffCodec.h"
#include "support/HostileImages.h"
#include "support/ImageCompare.h"
#include "support/ImageFiles.h"
#include "support/PeakMemory.h"
#include "support/TempDir.h"

#include <QColorSpace>
#include <QFile>
#include <QMimeData>
#include <QRandomGenerator>
#include <filesystem>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using ImageImporter::ImportError;

const test::TempDir folder;
// Small samples written to the seeds also start the importer's fuzzing.
const std::filesystem::path seeds = QUORVANE_TEST_DATA_DIR "/../../build/fuzz-seeds/importer";

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

// What every way in makes of `bytes`: a file opened or given as an argument, bytes pasted or
// dropped, a file pasted or dropped as a link.
std::vector<Result<QImage, ImportError>> openedEveryWay(const std::string& name, const char* type,
                                                         const QByteArray& bytes) {
    const QUrl file = written(name, bytes);
    QMimeData pastedBytes, pastedLink;
    pastedBytes.setData(QString::fromLatin1(type), bytes);
    pastedLink.setUrls({file});
    std::vector<Result<QImage, ImportError>> results = {ImageImporter::image(file), ImageImporter::image(bytes)};
    for (const QMimeData* pasted : {&pastedBytes, &pastedLink}) {
        const auto image = ImageImporter::image(*pasted);
        if (!image)
            results.emplace_back(Failure{image.error()});
        else if (*image)
            results.emplace_back(**image);
        else
            results.emplace_back(Failure{ImportError::noImage()});
    }
    return results;
}

// What a paste of `bytes` as `type` gives, nothing taken for no image.
Result<QImage, ImportError> pasted(const char* type, const QByteArray& bytes) {
    QMimeData pasted;
    pasted.setData(QString::fromLatin1(type), bytes);
    auto image = ImageImporter::image(pasted);
    if (!image) return Failure{image.error()};
    if (!*image) return Failure{ImportError::noImage()};
    return std::move(**image);
}

void writeSeed(const std::string& name, const QByteArray& bytes) {
    std::filesystem::create_directories(seeds);
    QFile file(QString::fromStdString((seeds / name).string()));
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
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

// Random bytes, as a video or a compressed file holds.
QByteArray noiseBytes(qsizetype length, quint32 seed) {
    QByteArray bytes(length, '\0');
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32*>(bytes.data()), length / 4);
    return bytes;
}

// What every way in makes of `bytes`, expected to open as `picture` does, pixel for pixel.
void expectOpensEveryWayAs(const std::string& name, const char* type, const QByteArray& bytes,
                           const QImage& picture) {
    SCOPED_TRACE(name);
    writeSeed(name, bytes.left(4096));
    int way = 0;
    for (const auto& opened : openedEveryWay(name, type, bytes)) {
        SCOPED_TRACE(way++);
        ASSERT_TRUE(opened) << opened.error().message().toStdString();
        EXPECT_TRUE(test::imagesNear(*opened, picture, 0));
    }
}

// The picture as a file, its first frame, and the same followed by what the caller adds.
struct Sample {
    const char* type;
    QByteArray bytes;
    QImage picture;
};

Sample sample(const char* format, const QByteArray& bytes) {
    const auto picture = ImageImporter::image(bytes);
    EXPECT_TRUE(picture) << format;
    return {format, bytes, picture ? *picture : QImage()};
}

// A two-frame GIF, the second frame in other colours, each frame followed by what is given.
QByteArray twoFrames(const QByteArray& afterFirst, const QByteArray& afterSecond) {
    const QByteArray first = test::gif(4, 2, {Qt::red, Qt::blue}, {0, 1, 0, 1, 1, 0, 1, 0});
    const QByteArray second = test::gif(4, 2, {Qt::red, Qt::blue}, {1, 1, 1, 1, 0, 0, 0, 0});
    constexpr qsizetype frameAt = 13 + 3 * 256;
    return first.chopped(1) + afterFirst + second.mid(frameAt).chopped(1) + afterSecond + ';';
}

TEST(ImageImporterHostile, CompletePicturesOpenWhateverFollowsTheirEndOnEveryWayIn) {
    const QImage picture = test::quadrants(48, 32);
    const Sample jpeg = sample("image/jpeg", test::qtEncoded(picture, "JPEG"));
    const Sample png = sample("image/png", test::qtEncoded(picture, "PNG"));
    const Sample gif = sample("image/gif", test::gif(4, 2, {Qt::red, Qt::blue}, {0, 1, 0, 1, 1, 0, 1, 0}));
    // A phone's motion photo: its video after the end of the image.
    const QByteArray video = QByteArray("\0\0\0\x18" "ftypmp42", 12) + noiseBytes(300'000, 1);
    const std::tuple<std::string, const Sample&, QByteArray> files[] = {
        {"motion-photo.jpg", jpeg, video},
        {"padded.jpg", jpeg, QByteArray(4096, '\xFF')},
        {"zeros.jpg", jpeg, QByteArray(70'000, '\0')},
        {"two-pictures.jpg", jpeg, png.bytes},
        {"long-tail.png", png, noiseBytes(100'000, 2)},
        {"megabytes.png", png, noiseBytes(3 << 20, 3)},
        {"text.png", png, "Saved by hand.\r\n"},
        // As Debian's perl-tk ships mickey.gif.
        {"tail.gif", gif, QByteArray(103, 'm')},
        {"video.gif", gif, video},
    };
    for (const auto& [name, base, after] : files)
        expectOpensEveryWayAs(name, base.type, base.bytes + after, base.picture);
}

TEST(ImageImporterHostile, BmpsWithMasksInTheirHeaderOpenAsTheMasksSay) {
    // Five-six-five; eight bits a channel, alpha too.
    const QByteArray v2 =
        test::masksInHeaderBmp(2, 2, 16, {0xF800, 0x07E0, 0x001F}, {0xF800, 0x07E0, 0x001F, 0xFFFF});
    const QByteArray v3 = test::masksInHeaderBmp(2, 2, 32, {0xFF'0000, 0xFF00, 0xFF, 0xFF00'0000},
                                                 {0x80FF'0000, 0xFF00'FF00, 0x0000'00FF, 0xFFFF'FFFF});
    const std::tuple<std::string, QByteArray, std::vector<QColor>> files[] = {
        {"v2.bmp", v2, {Qt::red, Qt::green, Qt::blue, Qt::white}},
        {"v3.bmp", v3, {QColor(255, 0, 0, 128), Qt::green, Qt::transparent, Qt::white}},
    };
    for (const auto& [name, bytes, colours] : files) {
        writeSeed(name, bytes);
        int way = 0;
        for (const auto& opened : openedEveryWay(name, "image/bmp", bytes)) {
            SCOPED_TRACE(name + " way " + std::to_string(way++));
            ASSERT_TRUE(opened) << opened.error().message().toStdString();
            for (int i = 0; i < 4; ++i)
                EXPECT_EQ(opened->pixelColor(i % 2, i / 2).rgba(), colours[std::size_t(i)].rgba()) << i;
        }
    }
}

TEST(ImageImporterHostile, HandMadeGifsAndPngsOpenWithTheirFirstFrame) {
    const QByteArray gif = test::gif(4, 2, {Qt::red, Qt::blue}, {0, 1, 0, 1, 1, 0, 1, 0});
    const QImage frame = *ImageImporter::image(gif);
    // Its text read as lengths: between frames, these spaces make them land on a zero in the next
    // frame's data, and then on no block.
    const auto xmp = [](int spaces) {
        return QByteArray("\x21\xFF\x0BXMP DataXMP", 14) +
               "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?>" + QByteArray(spaces, ' ') +
               "<x:xmpmeta xmlns:x='adobe:ns:meta/'></x:xmpmeta><?xpacket end='w'?>";
    };
    const QByteArray png = test::qtEncoded(test::quadrants(48, 32), "PNG");
    // After its image data, a text and then image data again.
    const QByteArray late = png.chopped(12) + test::pngChunk("tEXt", QByteArray("Comment\0late", 12)) +
                            test::pngChunk("IDAT", QByteArray(16, '\0')) + png.right(12);
    const std::tuple<std::string, const char*, QByteArray> files[] = {
        {"stray-zero.gif", "image/gif", gif.chopped(1) + '\0' + ';'},
        // Found past the zero, not taken from the last byte.
        {"stray-zero-then-text.gif", "image/gif", gif.chopped(1) + '\0' + ';' + "Made by hand."},
        {"stray-zeros.gif", "image/gif", twoFrames(QByteArray(1, '\0'), QByteArray(1, '\0'))},
        {"cr-lf.gif", "image/gif", twoFrames("\r\n", {})},
        {"open-xmp.gif", "image/gif", gif.chopped(1) + xmp(0) + ';'},
        {"open-xmp-between.gif", "image/gif", twoFrames(xmp(16), {})},
        {"open-comment.gif", "image/gif", gif.chopped(1) + "\x21\xFE\x09Hand made;"},
        {"open-comment-between.gif", "image/gif", twoFrames("\x21\xFE\x12Hand made, twice.", {})},
        {"late-data.png", "image/png", late},
    };
    for (const auto& [name, type, bytes] : files)
        expectOpensEveryWayAs(name, type, bytes,
                              bytes.startsWith("GIF") ? frame : *ImageImporter::image(png));
}

TEST(ImageImporterHostile, PicturesCutShortOrWithoutTheirEndStayRefusedOnEveryWayIn) {
    const QByteArray jpeg = test::qtEncoded(test::quadrants(480, 320), "JPEG");
    const QByteArray png = test::qtEncoded(test::quadrants(480, 320), "PNG");
    const QByteArray gif = twoFrames({}, {});
    const qsizetype scan = jpeg.indexOf("\xFF\xDA"), imageData = png.indexOf("IDAT");
    ASSERT_GT(scan, 0);
    ASSERT_GT(imageData, 0);
    const std::tuple<std::string, const char*, QByteArray> files[] = {
        {"cut-in-scan.jpg", "image/jpeg", jpeg.left((scan + jpeg.size()) / 2)},
        {"cut-one-short.jpg", "image/jpeg", jpeg.chopped(1)},
        {"no-end.jpg", "image/jpeg", jpeg.chopped(2)},
        {"cut-in-data.png", "image/png", png.left((imageData + png.size()) / 2)},
        {"cut-one-short.png", "image/png", png.chopped(1)},
        {"no-end.png", "image/png", png.chopped(12)},
        {"no-end-then-text.png", "image/png", png.chopped(12) + "text"},
        {"cut-in-frame.gif", "image/gif", gif.left(13 + 3 * 256 + 12)},
        {"no-trailer.gif", "image/gif", gif.chopped(1)},
    };
    for (const auto& [name, type, bytes] : files) {
        int way = 0;
        for (const auto& opened : openedEveryWay(name, type, bytes)) {
            SCOPED_TRACE(name + " way " + std::to_string(way++));
            ASSERT_FALSE(opened);
            EXPECT_EQ(opened.error(), ImportError::unreadable());
        }
    }
}

TEST(ImageImporterHostile, DecidesFromTheFirstBytesBeforeReadingTheRest) {
    const QByteArray png = test::qtEncoded(test::quadrants(8, 8), "PNG");
    QByteArray claims = png;
    claims.replace(16, 8,
                   test::le16(0, true) + test::le16(40'000, true) + test::le16(0, true) +
                       test::le16(40'000, true));
    // Zeros named like an image; a PNG whose file is longer than any PNG within the caps; a
    // signature of each kind followed by zeros, each within its kind's longest file.
    const std::uintmax_t megabytes = 1 << 20;
    const QByteArray heifBrands("\0\0\0\x18"
                                "ftypheic\0\0\0\0mif1heic",
                                24);
    const std::tuple<std::string, QByteArray, std::uintmax_t, ImportError> files[] = {
        {"zeros.png", QByteArray(), 1023 * megabytes, ImportError::unreadable()},
        {"long.png", png, 400 * megabytes, ImportError::unreadable()},
        {"claims.png", claims, 400 * megabytes, ImportError::tooLarge(40'000, 40'000)},
        {"junk.png", png.left(8), 300 * megabytes, ImportError::unreadable()},
        {"junk.jpg", "\xFF\xD8\xFF", 240 * megabytes, ImportError::unreadable()},
        {"junk.gif", "GIF89a", 120 * megabytes, ImportError::unreadable()},
        {"junk.tiff", QByteArray("II*\0", 4), 300 * megabytes, ImportError::unreadable()},
        {"junk.bmp", "BM" + le32(0) + le32(0) + le32(54) + le32(40), 180 * megabytes,
         ImportError::unreadable()},
        {"junk.heic", heifBrands, 300 * megabytes, ImportError::unreadable()},
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

TEST(ImageImporterHostile, StopsReadingImageDataOnceThePromisedRowsAreIn) {
    constexpr qsizetype extra = 4 << 20;
    // A frame of 1000 × 64 on a screen of 1 × 1, whose codes end after its first row.
    QByteArray wideFrame = test::gif(1000, 64, {Qt::red}, std::vector<uchar>(1000 * 64, 0));
    wideFrame.replace(6, 4, test::le16(1) + test::le16(1));
    constexpr qsizetype codesAt = 6 + 7 + 3 * 256 + 10 + 1;
    wideFrame = wideFrame.left(codesAt + 5 * 256) + QByteArray("\0;", 2);
    // Compressed data goes on for megabytes past the one pixel; damage at its end shows whether a
    // decoder read that far. What lies past the picture is ignored, never refused.
    const std::tuple<std::string, const char*, QByteArray, QColor> files[] = {
        {"extra-idat.png", "image/png", test::pngWithExtraImageData(extra, true), Qt::red},
        {"extra-strip.tiff", "image/tiff", test::tiffWithExtraImageData(extra, false, true), Qt::black},
        {"extra-tile.tiff", "image/tiff", test::tiffWithExtraImageData(extra, true, true), Qt::black},
        {"extra-units.heic", "image/heic", test::heicWithExtraItemData(extra), Qt::red},
        {"extra-codes.gif", "image/gif", test::gifWithExtraImageData(extra), Qt::red},
        {"frames.gif", "image/gif", test::gifWithFrames(int(extra / 16)), Qt::red},
        {"wide-frame.gif", "image/gif", wideFrame, Qt::red},
    };
    for (const auto& [name, type, bytes, color] : files) {
        SCOPED_TRACE(name);
        for (const auto& result : openedEveryWay(name, type, bytes)) {
            EXPECT_TRUE(result) << result.error().message().toStdString();
            if (!result) continue;
            const bool heic = QByteArrayView(type) == "image/heic";
            EXPECT_EQ(result->size(), heic ? QSize(64, 64) : QSize(1, 1));
            // HEVC is lossy.
            const QColor pixel = result->pixelColor(0, 0);
            EXPECT_LE(std::abs(pixel.red() - color.red()) + std::abs(pixel.green() - color.green()) +
                          std::abs(pixel.blue() - color.blue()),
                      heic ? 24 : 0);
        }
    }
    EXPECT_TRUE(ImageImporter::image(test::pngWithExtraImageData(extra)));
    // Interlaced, the rows are in after the seventh pass.
    for (const auto& result : openedEveryWay("extra-idat-interlaced.png", "image/png",
                                             test::pngWithExtraImageData(extra, true, true))) {
        ASSERT_TRUE(result) << result.error().message().toStdString();
        EXPECT_EQ(result->size(), QSize(2, 2));
        EXPECT_EQ(result->pixelColor(1, 1), QColor(Qt::red));
    }
    // Damage in the chunk that holds the pixels is still found, though reading stops inside it.
    const auto damaged = ImageImporter::image(test::pngWithExtraImageData(1000, true));
    EXPECT_FALSE(damaged) << "opened";
    if (!damaged) {
        EXPECT_EQ(damaged.error(), ImportError::unreadable());
    }
    writeSeed("extra-idat.png", test::pngWithExtraImageData(4096));

    // Interlaced rows end in the seventh pass, at any height; the last row is premultiplied too.
    for (const QSize size : {QSize(64, 48), QSize(63, 47), QSize(1, 1)}) {
        QImage translucent =
            test::quadrants(size.width(), size.height()).convertToFormat(QImage::Format_RGBA8888_Premultiplied);
        translucent.setPixelColor(size.width() - 1, size.height() - 1, QColor(40, 80, 120, 128));
        const auto opened = ImageImporter::image(test::interlacedPng(translucent));
        ASSERT_TRUE(opened) << opened.error().message().toStdString();
        EXPECT_TRUE(test::imagesNear(*opened, translucent, 0)) << size.width() << " × " << size.height();
    }
}

TEST(ImageImporterHostile, APictureCostsWhatItsPixelsNeedWhateverMetadataItCarries) {
    // Suggested palettes, which libpng would keep, and parts of a colour profile, which libjpeg
    // would: several hundred megabytes for one pixel. Opened as a file, and as the bytes a paste
    // or a drop has read.
    for (const QByteArray& bytes :
         {test::pngWithPaletteChunks(300 << 20), test::jpegWithProfileSegments(230 << 20)}) {
        const QUrl file = written("metadata", bytes);
        for (const bool asFile : {true, false}) {
            SCOPED_TRACE(bytes.left(4).toHex().toStdString() + (asFile ? " as a file" : " as bytes"));
            const test::PeakMemory memory;
            const auto opened = asFile ? ImageImporter::image(file) : ImageImporter::image(bytes);
            EXPECT_LT(memory.growth(), 100 << 20);
            ASSERT_TRUE(opened) << opened.error().message().toStdString();
            EXPECT_EQ(opened->size(), QSize(1, 1));
            EXPECT_GT(opened->pixelColor(0, 0).red(), 200);
        }
    }
}

TEST(ImageImporterHostile, JunkAfterAPlausibleStartEndsTheReadThereOpenedOrPasted) {
    // Each looks right for its first 64 KiB, then breaks: a critical chunk libpng does not know, a
    // chunk header of zeros, a marker libjpeg does not know, zeros in a scan far longer than its
    // frame can code, a block of no known type. What may be image data, up to the end of its chunk
    // or in a TIFF, which has no end to check, is held once.
    constexpr qsizetype length = 96 << 20;
    const auto be32 = [](qsizetype value) {
        return test::le16(int(value >> 16), true) + test::le16(int(value & 0xFFFF), true);
    };
    const QByteArray png = test::plausibleStart("PNG"), jpeg = test::plausibleStart("JPEG");
    const QByteArray header = test::pngWithChunks({}).left(33);
    const std::tuple<std::string, const char*, QByteArray, bool> files[] = {
        {"critical.png", "image/png", png + be32(length - png.size() - 12) + "QUUX", false},
        {"zeros.png", "image/png", png, false},
        {"marker.jpg", "image/jpeg", jpeg + "\xFF\x02", false},
        {"zeros.jpg", "image/jpeg", jpeg, false},
        {"block.gif", "image/gif", test::plausibleStart("GIF"), false},
        {"data.png", "image/png", header + be32(length - header.size() - 12) + "IDAT", true},
        {"zeros.tiff", "image/tiff", TiffCodec::encode(test::quadrants(16, 16)).value(), true},
    };
    for (const auto& [name, type, start, held] : files) {
        const QUrl file = written(name, start, length);
        QByteArray bytes = start;
        bytes.resize(length, '\0');
        for (const bool asFile : {true, false}) {
            SCOPED_TRACE(name + (asFile ? " opened" : " pasted"));
            const test::PeakMemory memory;
            const auto result = asFile ? ImageImporter::image(file) : pasted(type, bytes);
            EXPECT_LT(memory.growth(), (held ? length : 0) + (16 << 20));
            if (QByteArrayView(type) == "image/tiff") {
                EXPECT_TRUE(result && result->size() == QSize(16, 16));
            } else {
                EXPECT_EQ(result.error(), ImportError::unreadable());
            }
        }
    }
}

TEST(ImageImporterHostile, ColourProfilesAreCappedInLengthAndInNumber) {
    // One profile chunk of 96 MB, or 384 of 256 KiB: dropped as they pass, opened or pasted.
    const QByteArray large = test::pngWithChunks(test::pngChunk("iCCP", QByteArray(96 << 20, '\0')));
    QByteArray parts;
    for (int i = 0; i < 384; ++i)
        parts += test::pngChunk("iCCP", QByteArray(256 << 10, '\0'));
    const QByteArray many = test::pngWithChunks(parts);
    for (const auto& [name, bytes] :
         {std::pair("large-profile.png", large), std::pair("many-profiles.png", many)}) {
        const QUrl file = written(name, bytes);
        for (const bool asFile : {true, false}) {
            SCOPED_TRACE(std::string(name) + (asFile ? " opened" : " pasted"));
            const test::PeakMemory memory;
            const auto result = asFile ? ImageImporter::image(file) : pasted("image/png", bytes);
            EXPECT_LT(memory.growth(), 32 << 20);
            ASSERT_TRUE(result) << result.error().message().toStdString();
            EXPECT_EQ(result->pixelColor(0, 0), QColor(Qt::red));
        }
    }
    // A profile of more than 4 MiB is dropped, the picture taken as sRGB, however small its chunk.
    QByteArray profile = QColorSpace(QColorSpace::DisplayP3).iccProfile();
    for (const qsizetype size : {profile.size(), qsizetype(5 << 20)}) {
        SCOPED_TRACE(size);
        profile.resize(size, '\0');
        profile.replace(0, 4, test::le16(int(size >> 16), true) + test::le16(int(size & 0xFFFF), true));
        const QByteArray png =
            test::pngWithChunks(test::pngChunk("iCCP", QByteArray("P3\0\0", 4) + qCompress(profile).mid(4)));
        const auto result = ImageImporter::image(png);
        ASSERT_TRUE(result) << result.error().message().toStdString();
        EXPECT_EQ(result->colorSpace(),
                  size < (4 << 20) ? QColorSpace(QColorSpace::DisplayP3) : QColorSpace(QColorSpace::SRgb));
    }
}

TEST(ImageImporterHostile, RefusesProgressiveJpegsOfMoreScansThanEncodersWrite) {
    const QImage picture = test::quadrants(64, 48);
    const QByteArray hundred = test::jpegWithScans(picture, 100);
    ASSERT_EQ(test::jpegScans(hundred), 100);
    for (const auto& result : openedEveryWay("100-scans.jpg", "image/jpeg", hundred)) {
        ASSERT_TRUE(result) << result.error().message().toStdString();
        EXPECT_EQ(result->size(), picture.size());
    }
    // Refused before a pixel is decoded, or any memory taken for them.
    for (const int scans : {101, 990}) {
        SCOPED_TRACE(scans);
        const QByteArray many = test::jpegWithScans(picture, scans);
        const auto maps = AnonymousMemory::counters().maps;
        for (const auto& result : openedEveryWay(std::to_string(scans) + "-scans.jpg", "image/jpeg", many)) {
            ASSERT_FALSE(result) << "opened";
            EXPECT_EQ(result.error(), ImportError::unreadable());
        }
        EXPECT_EQ(AnonymousMemory::counters().maps, maps);
    }
    EXPECT_EQ(ImportError::unreadable().message(),
              "Quorvane can't read this image. The data may be damaged or incomplete.");
    writeSeed("many-scans.jpg", test::jpegWithScans(test::quadrants(16, 16), 120));
}

TEST(ImageImporterHostile, RefusesRunLengthBmpsWhoseDataEndsWithinTheirFirstRow) {
    // Nothing but the end of the bitmap; a run short of the first row's end, then the end.
    const QByteArray endOnly = test::runLengthBmp(5000, 6000, QByteArray("\0\x01", 2));
    for (const auto& [name, bytes] : {std::pair("end-only.bmp", endOnly),
                                      std::pair("short-row.bmp", test::runLengthBmp(8, 4, "\x03\x05\0\x01"))}) {
        SCOPED_TRACE(name);
        const test::PeakMemory memory;
        for (const auto& result : openedEveryWay(name, "image/bmp", bytes)) {
            ASSERT_FALSE(result) << "opened as " << result->width() << " × " << result->height();
            EXPECT_EQ(result.error(), ImportError::unreadable());
        }
        EXPECT_LT(memory.growth(), 50 << 20);
    }
    // Small: mutations of a large picture's header would decode large pictures, run after run.
    writeSeed("rle-end-only.bmp", test::runLengthBmp(64, 48, QByteArray("\0\x01", 2)));
    // The first row left by an end-of-line mark, by a jump up, or filled to its end: pixels left
    // unset after that are the format's own.
    const std::tuple<const char*, int, QByteArray, QPoint> whole[] = {
        {"end-of-line.bmp", 4, QByteArray("\0\0\x03\x07\0\x01", 6), QPoint(0, 2)},
        {"jump.bmp", 4, QByteArray("\0\x02\x02\x01\x03\x07\0\x01", 8), QPoint(2, 2)},
        {"one-row.bmp", 1, QByteArray("\x08\x07\0\x01", 4), QPoint(7, 0)},
    };
    for (const auto& [name, height, runs, painted] : whole) {
        SCOPED_TRACE(name);
        for (const auto& result : openedEveryWay(name, "image/bmp", test::runLengthBmp(8, height, runs))) {
            ASSERT_TRUE(result) << result.error().message().toStdString();
            EXPECT_EQ(result->pixelColor(painted), QColor(7, 7, 7));
        }
    }
}

} // namespace
} // namespace quorvane
