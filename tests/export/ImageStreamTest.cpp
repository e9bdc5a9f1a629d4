#include "export/ImageStream.h"

#include "export/ImageImporter.h"
#include "platform/PngCodec.h"
#include "support/HostileImages.h"
#include "support/ImageCompare.h"
#include "support/ImageFiles.h"
#include "support/TempDir.h"

#include <QColorSpace>
#include <QFile>
#include <QMimeData>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using ImageImporter::ImportError;
using ImageKind::Kind;

QByteArray be(std::uint32_t value, int bytes) {
    QByteArray out;
    for (int i = bytes - 1; i >= 0; --i)
        out += char(value >> (8 * i) & 0xFF);
    return out;
}

QByteArray pngChunk(const char* type, const QByteArray& data) {
    const QByteArray body = type + data;
    return be(std::uint32_t(data.size()), 4) + body + be(PngCodec::crc(0, body), 4);
}

// `chunks` after the PNG's header chunk.
QByteArray withChunks(const QByteArray& png, const QByteArray& chunks) {
    return png.left(33) + chunks + png.mid(33);
}

QByteArray segment(std::uint8_t code, const QByteArray& data) {
    return "\xFF" + QByteArray(1, char(code)) + be(std::uint32_t(data.size() + 2), 2) + data;
}

// `segments` after the JPEG's start.
QByteArray withSegments(const QByteArray& jpeg, const QByteArray& segments) {
    return jpeg.left(2) + segments + jpeg.mid(2);
}

// Exif data (TIFF structured) holding only an orientation.
QByteArray exif(int orientation) {
    return QByteArray("II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 18) + test::le16(orientation) +
           QByteArray(6, '\0');
}

QByteArray kept(Kind kind, const QByteArray& bytes, const std::vector<qsizetype>& pieces) {
    ImageStream stream(kind, bytes.size());
    qsizetype at = 0;
    for (std::size_t i = 0; at < bytes.size(); ++i) {
        const qsizetype length = pieces.empty() ? bytes.size() : pieces[i % pieces.size()];
        stream.append(QByteArrayView(bytes).sliced(at, std::min(length, bytes.size() - at)));
        at += length;
    }
    EXPECT_EQ(stream.received(), bytes.size());
    return stream.takeKept();
}

QByteArray kept(const QByteArray& bytes) {
    return kept(*ImageKind::sniff(bytes), bytes, {});
}

// How much of `bytes` a stream takes, given 4 KiB at a time, until it finds them damaged; more than
// their length when it never does.
qsizetype damagedAfter(const QByteArray& bytes) {
    ImageStream stream(*ImageKind::sniff(bytes), bytes.size());
    for (qsizetype at = 0; at < bytes.size(); at += 4096) {
        const QByteArrayView piece =
            QByteArrayView(bytes).sliced(at, std::min<qsizetype>(4096, bytes.size() - at));
        if (!stream.append(piece)) return at + piece.size();
    }
    return bytes.size() + 1;
}

// A paste of `bytes`, read through a stream as a file is; the bytes tell their kind, whatever the
// format names.
Result<std::optional<QImage>, ImportError> pasted(const QByteArray& bytes) {
    QMimeData data;
    data.setData(QStringLiteral("image/png"), bytes);
    return ImageImporter::image(data);
}

// Opening what the stream kept gives what opening the whole gives.
void expectSameResult(const QByteArray& whole) {
    const auto all = ImageImporter::image(whole);
    const auto filtered = ImageImporter::image(kept(whole));
    ASSERT_EQ(bool(all), bool(filtered)) << (all ? filtered : all).error().message().toStdString();
    if (!all) {
        EXPECT_EQ(all.error(), filtered.error());
        return;
    }
    EXPECT_TRUE(test::imagesNear(*all, *filtered, 0));
    EXPECT_EQ(all->colorSpace(), filtered->colorSpace());
}

const QImage picture = test::quadrants(48, 32);
const QByteArray png = test::qtEncoded(picture, "PNG");

// A picture whose PNG file ends more than the completeness test reads after its metadata.
QImage noise(int width, int height) {
    QImage image(width, height, QImage::Format_RGBX8888);
    QRandomGenerator random(3);
    for (int y = 0; y < height; ++y)
        random.fillRange(reinterpret_cast<quint32*>(image.scanLine(y)), width);
    return image.convertToFormat(QImage::Format_RGBX8888);
}
const QByteArray largePng = test::qtEncoded(noise(300, 200), "PNG");
const QByteArray jpeg = test::qtEncoded(picture, "JPEG");
// Without its JFIF segment, which would decide its colours before an Adobe segment does.
const QByteArray bareJpeg = jpeg.left(2) + jpeg.mid(4 + 16);
const QByteArray gif = test::gif(4, 2, {Qt::red, Qt::blue}, {0, 1, 2, 0, 1, 2, 0, 1}, 1);
constexpr qsizetype gifTableEnd = 13 + 3 * 256;

TEST(ImageStream, KeepsOnlyWhatTheDecoderReadsAndOpensAsTheWhole) {
    ASSERT_EQ(jpeg.mid(2, 4), QByteArray("\xFF\xE0\0\x10", 4));
    ASSERT_GT(largePng.size(), 2 * ImageKind::headLength);
    QImage wide = noise(300, 200);
    wide.setColorSpace(QColorSpace::DisplayP3);
    const QByteArray control = QByteArray("\x21\xF9\x04\x01\0\0", 6);
    // Metadata of every sort, and what the decoders read among it: the orientation, the colour
    // profile, a JPEG's JFIF and Adobe segments (its last transform makes the colours), a GIF's
    // last transparency.
    const std::tuple<const char*, QByteArray, qsizetype> files[] = {
        {"png",
         withChunks(largePng, pngChunk("tEXt", QByteArray("Comment\0", 8) + QByteArray(5000, 'x')) +
                                  pngChunk("eXIf", exif(6)) +
                                  pngChunk("sPLT", QByteArray("p\0\x08", 3) + QByteArray(600, 'y')) +
                                  pngChunk("vpAg", "zzz")),
         5000},
        {"png profile", withChunks(test::qtEncoded(wide, "PNG"), pngChunk("zTXt", QByteArray(3000, 'x'))),
         3000},
        {"jpeg",
         withSegments(jpeg, segment(0xFE, QByteArray(4000, 'c')) +
                                segment(0xE1, "Exif" + QByteArray(2, '\0') + exif(6)) +
                                segment(0xE1, "http://ns.adobe.com/xap/1.0/" + QByteArray(3000, 'x')) +
                                segment(0xED, QByteArray(3000, 'p'))),
         10000},
        {"jpeg adobe",
         withSegments(bareJpeg, segment(0xEE, QByteArray("Adobe\0\x64\0\0\0\0\x01", 12)) +
                                    segment(0xEB, "x") +
                                    segment(0xEE, QByteArray("Adobe\0\x64\0\0\0\0\0", 12))),
         10},
        {"jpeg profile", withSegments(test::qtEncoded(wide, "JPEG"), segment(0xFE, QByteArray(3000, 'c'))),
         3000},
        {"gif",
         gif.left(gifTableEnd) + control + char(0) + '\0' + QByteArray("\x21\xFE\x05hello\0", 9) +
             QByteArray("\x21\xFF\x0BNETSCAPE2.0\x03\x01\0\0\0", 19) + gif.mid(gifTableEnd),
         28},
    };
    for (const auto& [name, bytes, dropped] : files) {
        SCOPED_TRACE(name);
        expectSameResult(bytes);
        EXPECT_LE(kept(bytes).size(), bytes.size() - dropped);
    }
    EXPECT_EQ(ImageImporter::image(kept(std::get<1>(files[0]))).value().size(), QSize(200, 300));
    EXPECT_EQ(ImageImporter::image(kept(std::get<1>(files[4]))).value().colorSpace(), QColorSpace::DisplayP3);

    // A profile past the limit is dropped whole, parts kept before the Adobe segment with it.
    QByteArray parts;
    for (int part = 1; part <= 80; ++part)
        parts +=
            segment(0xE2, QByteArray("ICC_PROFILE\0", 12) + char(part) + char(80) + QByteArray(60'000, 'i'));
    const QByteArray large = withSegments(
        bareJpeg, parts.left(40 * 60'018) + segment(0xEE, QByteArray("Adobe\0\x64\0\0\0\0\x01", 12)) +
                      parts.mid(40 * 60'018) + segment(0xEE, QByteArray("Adobe\0\x64\0\0\0\0\0", 12)));
    expectSameResult(large);
    EXPECT_LT(kept(large).size(), bareJpeg.size() + 100);

    // Hundreds of megabytes of metadata for one pixel keep a few kilobytes.
    for (const QByteArray& bomb :
         {test::pngWithPaletteChunks(20 << 20), test::jpegWithProfileSegments(20 << 20)}) {
        const QByteArray small = kept(bomb);
        EXPECT_LT(small.size(), 4096);
        EXPECT_EQ(ImageImporter::image(small).value().size(), QSize(1, 1));
    }
    // Nothing of what follows the end is kept.
    for (const QByteArray& bytes : {png, jpeg, gif}) {
        const QByteArray longer = bytes + QByteArray(1 << 20, 'j');
        EXPECT_EQ(kept(longer), kept(bytes));
        expectSameResult(longer);
    }
}

TEST(ImageStream, KeepsTheSameForAnySplitOfTheInput) {
    QByteArray cutChunk = withChunks(png, pngChunk("tEXt", QByteArray(100, 't')));
    cutChunk.truncate(33 + 50);
    const std::pair<Kind, QByteArray> inputs[] = {
        {Kind::png,
         withChunks(png, pngChunk("tEXt", "a") + pngChunk("eXIf", exif(3))) + QByteArray(70'000, 'x')},
        {Kind::png, test::pngWithExtraImageData(100'000, false, true)},
        {Kind::png, cutChunk},
        {Kind::jpeg, withSegments(jpeg, segment(0xE1, "Exif" + QByteArray(2, '\0') + exif(8)) +
                                            segment(0xFE, "c") + QByteArray("\0\xFF\0", 3)) +
                         QByteArray(70'000, '\0')},
        {Kind::jpeg, test::jpegWithScans(picture, 20)},
        {Kind::gif, gif.left(gifTableEnd) + QByteArray("\x21\xF9\x04\x01\0\0\x02\0\x21\xFE\x01x\0", 13) +
                        gif.mid(gifTableEnd)},
        {Kind::tiff, test::tiffWithExtraImageData(10'000, true)},
        {Kind::png, test::pngWithPaletteChunks(3 << 20)},
        {Kind::jpeg, test::jpegWithProfileSegments(6 << 20)},
    };
    QRandomGenerator random(7);
    for (const auto& [kind, bytes] : inputs) {
        const QByteArray whole = kept(kind, bytes, {});
        if (bytes.size() < 300'000) {
            EXPECT_EQ(kept(kind, bytes, {1}), whole);
        }
        for (int split = 0; split < 3; ++split) {
            std::vector<qsizetype> pieces(64);
            for (qsizetype& piece : pieces)
                piece = 1 + random.bounded(split == 0 ? 16 : 20'000);
            EXPECT_EQ(kept(kind, bytes, pieces), whole) << int(kind) << " split " << split;
        }
    }
}

TEST(ImageStream, DamagedStructureIsRefusedAsTheWholeIsOnEveryWayIn) {
    // A chunk that claims more than the file holds; segments whose lengths overlap the next.
    const QByteArray claims = withChunks(png, be(1'000'000, 4) + "sPLT" + QByteArray(100, 'p'));
    QByteArray overlapping = withSegments(jpeg, segment(0xE3, QByteArray(10, 'x')));
    overlapping[5] = char(12 + 6);
    QByteArray shortLength = withSegments(jpeg, segment(0xE3, QByteArray(10, 'x')));
    shortLength[5] = 1;
    // Data without its end, whose metadata near the end holds what a test of the last bytes would
    // take for it: refused, whole or as kept.
    const QByteArray endless[] = {
        png.left(33) + pngChunk("tEXt", QByteArray("Comment\0IEND", 12)) + png.mid(33).chopped(12),
        jpeg.chopped(2) + segment(0xE3, "\xFF\xD9"),
        jpeg.chopped(2) + "\xFF\xE3\x28\xA2" + "\xFF\xD9",
        // Its last byte one that libjpeg skips, after a segment that ends in 0xFF.
        jpeg.chopped(2) + segment(0xFE, "c\xFF") + "\xD9",
    };
    for (const QByteArray& bytes : endless) {
        ASSERT_FALSE(ImageImporter::image(bytes));
        expectSameResult(bytes);
    }
    const test::TempDir folder;
    for (const auto& [name, bytes] :
         {std::pair("claims.png", claims), std::pair("overlapping.jpg", overlapping),
          std::pair("short-length.jpg", shortLength)}) {
        SCOPED_TRACE(name);
        expectSameResult(bytes);
        const QString path = QString::fromStdString((folder / name).string());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        const auto fromFile = ImageImporter::image(QUrl::fromLocalFile(path));
        const auto fromBytes = ImageImporter::image(bytes);
        ASSERT_EQ(bool(fromFile), bool(fromBytes));
        if (!fromFile) {
            EXPECT_EQ(fromFile.error(), fromBytes.error());
        }
    }
    EXPECT_EQ(ImageImporter::image(claims).error(), ImportError::unreadable());
}

TEST(ImageStream, EndsAtTheFirstByteThatBreaksTheFormat) {
    QByteArray junk(4 << 20, '\0');
    QRandomGenerator(11).fillRange(reinterpret_cast<quint32*>(junk.data()), junk.size() / 4);
    // Junk from just past the first 64 KiB, past a megabyte and just before the end of files that
    // open: their reading ends within a few kilobytes of it, as damaged.
    for (const QByteArray& whole :
         {test::qtEncoded(noise(1000, 600), "PNG"), test::qtEncoded(noise(1800, 1200), "JPEG"),
          test::gifWithExtraImageData(2 << 20)}) {
        SCOPED_TRACE(whole.left(4).toHex().toStdString());
        ASSERT_GT(whole.size(), 1 << 20);
        EXPECT_GT(damagedAfter(whole), whole.size());
        expectSameResult(whole);
        for (const qsizetype cut : {qsizetype(65'536), qsizetype(1 << 20), whole.size() - 100}) {
            SCOPED_TRACE(cut);
            const QByteArray broken = whole.left(cut) + junk;
            // A GIF's junk, from where a zero ends its frame's blocks, lies past its picture: read
            // for a trailer, never kept.
            if (whole.startsWith("GIF"))
                EXPECT_LT(kept(broken).size(), cut + (64 << 10));
            else
                EXPECT_LT(damagedAfter(broken), cut + (64 << 10));
            EXPECT_EQ(pasted(broken).error(), ImportError::unreadable());
        }
    }
    // Chunks and segments the decoders read that run past the end, and a scan longer than its frame
    // of one pixel can code: refused where they start.
    const QByteArray tiny = test::qtEncoded(test::quadrants(1, 1), "JPEG");
    const std::pair<QByteArray, qsizetype> past[] = {
        {png.left(33) + be(0x7000'0000, 4) + "tEXt" + junk, 33},
        {png.left(33) + be(0x7000'0000, 4) + "IDAT" + junk, 33},
        {withChunks(png, pngChunk("QUOR", "x")), 33},
        {jpeg.left(2) + "\xFF\xE5\xFF\xFF" + QByteArray(1000, 'a'), 2},
        {tiny.chopped(2) + QByteArray(1 << 20, '\0') + "\xFF\xD9", tiny.size()},
    };
    for (const auto& [bytes, at] : past) {
        SCOPED_TRACE(at);
        EXPECT_LE(damagedAfter(bytes), std::min(bytes.size(), at + (64 << 10)));
        EXPECT_EQ(pasted(bytes).error(), ImportError::unreadable());
    }
}

} // namespace
} // namespace quorvane
