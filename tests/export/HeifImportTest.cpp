// HEIC files whose decoding libheif sizes by records other than the image's own size: the importer
// reads them as libheif does and refuses, before libheif allocates anything, every file that would
// make more than the caps allow, and every file it cannot read the same way.

#include "export/ImageImporter.h"
#include "platform/AnonymousMemory.h"
#include "support/HeifFiles.h"
#include "support/PeakMemory.h"
#include "support/TempDir.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using ImageImporter::ImportError;
using test::CodedPicture;
using test::HeifFile;

const QString corpus = QStringLiteral(QUORVANE_TEST_DATA_DIR "/../../fuzz/corpus/importer/");
const QString seeds = QStringLiteral(QUORVANE_TEST_DATA_DIR "/../../build/fuzz-seeds/importer/");

QImage filled(int width, int height, const QColor& color) {
    QImage image(width, height, QImage::Format_RGBX8888);
    image.fill(color);
    return image;
}

bool near(const QColor& a, const QColor& b, int tolerance) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// The units of a configuration record's arrays.
std::vector<QByteArray> units(const QByteArray& configuration) {
    std::vector<QByteArray> found;
    qsizetype at = 23;
    for (int a = 0; a < configuration[22]; ++a) {
        const int count = uchar(configuration[at + 1]) << 8 | uchar(configuration[at + 2]);
        at += 3;
        for (int u = 0; u < count; ++u) {
            const int length = uchar(configuration[at]) << 8 | uchar(configuration[at + 1]);
            found.push_back(configuration.mid(at + 2, length));
            at += 2 + length;
        }
    }
    return found;
}

struct Refusal {
    ImportError error;
    std::int64_t growth = 0;
};

// Refused from bytes and from a file alike, with what it cost.
Refusal refusal(const QByteArray& bytes, const QString& name) {
    static const test::TempDir folder;
    const QString path = QString::fromStdString((folder / name.toStdString()).string());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    const auto maps = AnonymousMemory::counters().maps;
    const test::PeakMemory memory;
    const auto fromBytes = ImageImporter::image(bytes);
    const auto fromFile = ImageImporter::image(QUrl::fromLocalFile(path));
    Refusal refused{fromBytes ? ImportError::noImage() : fromBytes.error(), memory.growth()};
    EXPECT_FALSE(fromFile) << "opened from a file";
    if (!fromFile) {
        EXPECT_EQ(fromFile.error(), refused.error);
    }
    EXPECT_EQ(AnonymousMemory::counters().maps, maps);
    return refused;
}

TEST(HeifImport, RefusesTheGridWhoseRecordLibheifReadsPastItsBoxAtOnce) {
    QFile file(corpus + QStringLiteral("grid-record-outside-idat.heic"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex(),
              "69b234dbd1ca5729d0fb6d368402dc2b651a3c047f30ca98ff591b96701434b4");
    // libheif would read the record's size from the next box's header: 14441 × 27759.
    const Refusal refused = refusal(bytes, QStringLiteral("grid-record-outside-idat.heic"));
    EXPECT_EQ(refused.error, ImportError::unreadable());
    EXPECT_LT(refused.growth, 50 << 20);

    // The same file with the record anywhere else past the box's end; where it lies inside, the
    // file is whole again.
    constexpr qsizetype recordOffset = 0x9A;
    ASSERT_EQ(bytes[recordOffset], 7);
    QByteArray moved = bytes;
    for (char offset = 1; offset <= 8; ++offset) {
        moved[recordOffset] = offset;
        const QString name = QStringLiteral("grid-record-%1-outside-idat.heic").arg(int(offset));
        if (offset % 4 == 0) {
            QFile seed(seeds + name);
            if (QDir().mkpath(seeds) && seed.open(QIODevice::WriteOnly)) seed.write(moved);
        }
        EXPECT_EQ(refusal(moved, name).error, ImportError::unreadable()) << int(offset);
    }
    moved[recordOffset] = 0;
    const auto whole = ImageImporter::image(moved);
    ASSERT_TRUE(whole) << whole.error().message().toStdString();
    EXPECT_EQ(whole->size(), QSize(64, 48));
}

TEST(HeifImport, RefusesWhatLibheifWouldReadOtherwiseOrDecodeBeyondTheCaps) {
    const CodedPicture tile = test::encodePicture(filled(64, 64, Qt::red));
    ASSERT_FALSE(tile.configuration.isEmpty());
    ASSERT_FALSE(tile.data.isEmpty());
    const auto singleGrid = [&](std::uint32_t width, std::uint32_t height) {
        return HeifFile::grid({tile}, 1, 1, width, height, 64, 64);
    };

    // Two "meta" boxes: libheif takes the last.
    const HeifFile sane = singleGrid(64, 48), huge = singleGrid(20'000, 20'000);
    const std::uint32_t data = std::uint32_t(sane.ftyp().size() + 2 * sane.meta(0).size() + 8);
    const QByteArray twoMetas = sane.ftyp() + sane.meta(data) + huge.meta(data) + sane.mdat();

    // An alpha plane of a tile, whose parameter set declares 20000 × 20000.
    HeifFile tileAlpha = singleGrid(64, 48);
    const int alphaType =
        tileAlpha.addProperty(test::fullBox("auxC", 0, 0, QByteArray("urn:mpeg:hevc:2015:auxid:1") + '\0'));
    const int bigConfiguration = tileAlpha.addProperty(
        HeifFile::configurationBox(test::withCodedSize(tile.configuration, 20'000, 20'000)));
    tileAlpha.items.push_back({3, "hvc1", tile.data, false, {bigConfiguration, 1, alphaType}});
    tileAlpha.references.push_back({"auxl", 3, {1}});

    // A configuration that says two-byte lengths: libheif splits by four bytes all the same, and
    // so finds a parameter set of 20000 × 20000 in the data, after 64 KiB of filler.
    HeifFile shortLengths;
    QByteArray twoByteConfiguration = tile.configuration;
    twoByteConfiguration[21] = char((twoByteConfiguration[21] & ~3) | 1);
    const QByteArray bigSet = units(test::withCodedSize(tile.configuration, 20'000, 20'000))[1];
    const QByteArray filler = QByteArray("\x4C\x01", 2) + QByteArray(1 << 16, '\xFF');
    const QByteArray inBand = test::be32(std::uint32_t(filler.size())) + filler +
                              test::be32(std::uint32_t(bigSet.size())) + bigSet + tile.data;
    shortLengths.items.push_back({1,
                                  "hvc1",
                                  inBand,
                                  false,
                                  {shortLengths.addProperty(HeifFile::configurationBox(twoByteConfiguration)),
                                   shortLengths.addProperty(HeifFile::sizeBox(64, 64))}});

    // Two pictures in one item.
    HeifFile twoPictures = singleGrid(64, 48);
    twoPictures.items[0].data = tile.data + tile.data;

    // A grid that is its own tile: libheif would recurse until its stack runs out.
    HeifFile ownTile = singleGrid(64, 48);
    ownTile.references[0].to = {2};

    // A tile of another codec in a HEIC file.
    HeifFile otherCodec = singleGrid(64, 48);
    otherCodec.items[0].type = "av01";

    // A second "meta" box cut short at the end: libheif would not see it, but the first is not
    // what it would read either.
    const QByteArray cutMeta = sane.bytes() + test::be32(4096) + "meta" + test::be32(0);

    const std::tuple<const char*, QByteArray, ImportError> files[] = {
        {"two-meta-boxes.heic", twoMetas, ImportError::unreadable()},
        {"alpha-of-tile-20000x20000.heic", tileAlpha.bytes(), ImportError::tooLarge(20'000, 20'000)},
        {"lengths-of-two-bytes.heic", shortLengths.bytes(), ImportError::tooLarge(20'000, 20'000)},
        {"two-pictures.heic", twoPictures.bytes(), ImportError::unreadable()},
        {"grid-of-itself.heic", ownTile.bytes(), ImportError::unreadable()},
        {"av01-tile.heic", otherCodec.bytes(), ImportError::unreadable()},
        {"cut-second-meta.heic", cutMeta, ImportError::unreadable()},
    };
    QDir().mkpath(seeds);
    for (const auto& [name, bytes, expected] : files) {
        SCOPED_TRACE(name);
        QFile seed(seeds + name);
        if (seed.open(QIODevice::WriteOnly)) seed.write(bytes);
        const Refusal refused = refusal(bytes, name);
        EXPECT_EQ(refused.error, expected);
        EXPECT_LT(refused.growth, 50 << 20);
    }
}

TEST(HeifImport, OpensGridsOfManyAndOfSharedTiles) {
    std::vector<CodedPicture> tiles;
    for (const QColor color : {Qt::red, Qt::green, Qt::blue, Qt::white})
        tiles.push_back(test::encodePicture(filled(64, 64, color)));
    // The canvas cuts the last row and column of tiles short.
    const auto quadrants = ImageImporter::image(HeifFile::grid(tiles, 2, 2, 120, 100, 64, 64).bytes());
    ASSERT_TRUE(quadrants) << quadrants.error().message().toStdString();
    ASSERT_EQ(quadrants->size(), QSize(120, 100));
    for (const auto& [at, color] : {std::pair(QPoint(10, 10), QColor(Qt::red)),
                                    {QPoint(100, 10), Qt::green},
                                    {QPoint(10, 90), Qt::blue},
                                    {QPoint(100, 90), Qt::white}})
        EXPECT_TRUE(near(quadrants->pixelColor(at), color, 8)) << at.x() << ',' << at.y();

    const auto shared = ImageImporter::image(HeifFile::grid({tiles[2]}, 1, 3, 192, 64, 64, 64).bytes());
    ASSERT_TRUE(shared) << shared.error().message().toStdString();
    EXPECT_EQ(shared->size(), QSize(192, 64));
    EXPECT_TRUE(near(shared->pixelColor(180, 30), Qt::blue, 8));

    // A depth map of a kind libheif does not decode with the image, and bytes left over after the
    // last box, are not in the way.
    HeifFile withDepth = HeifFile::grid({tiles[0]}, 1, 1, 64, 48, 64, 64);
    const int depthType =
        withDepth.addProperty(test::fullBox("auxC", 0, 0, QByteArray("urn:mpeg:hevc:2015:auxid:2") + '\0'));
    withDepth.items.push_back({3, "jpeg", QByteArray(16, 'x'), false, {depthType}});
    withDepth.references.push_back({"auxl", 3, {2}});
    const auto depth = ImageImporter::image(withDepth.bytes() + QByteArray(3, '\0'));
    ASSERT_TRUE(depth) << depth.error().message().toStdString();
    EXPECT_EQ(depth->size(), QSize(64, 48));
}

} // namespace
} // namespace quorvane
