#include "export/ImageExporter.h"

#include "export/ImageImporter.h"
#include "platform/PosixFile.h"
#include "support/ImageCompare.h"
#include "support/TempDir.h"

#include <QColorSpace>
#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <atomic>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <sys/stat.h>
#include <thread>

namespace quorvane {
namespace {

using ImageExporter::ExportError;
using ImageExporter::Format;
namespace fs = std::filesystem;

QUrl urlOf(const fs::path& path) {
    return QUrl::fromLocalFile(QString::fromStdString(path.string()));
}

QByteArray contents(const fs::path& path) {
    QFile file(QString::fromStdString(path.string()));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every name in `folder`, hidden ones included.
QStringList namesIn(const fs::path& folder) {
    QStringList names;
    for (const auto& entry : fs::directory_iterator(folder))
        names << QString::fromStdString(entry.path().filename().string());
    return names;
}

QImage tagged(QImage image) {
    image.setColorSpace(QColorSpace::SRgb);
    return image;
}

// Translucent, and different in every corner, so that a flip or lost alpha shows.
QImage translucentGradient(int width, int height) {
    QImage image(width, height, QImage::Format_RGBA8888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y,
                                QColor(x * 255 / width, y * 255 / height, (x * y) % 256, (x + 2 * y) % 256));
    return tagged(image.convertToFormat(QImage::Format_RGBA8888_Premultiplied));
}

TEST(ImageExporter, NamesFilesByUtcSecondAndUuid) {
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    const QUrl first =
        ImageExporter::uniqueURL(QUrl::fromLocalFile(QStringLiteral("/tmp/My Shots")), Format::png);
    const QUrl second =
        ImageExporter::uniqueURL(QUrl::fromLocalFile(QStringLiteral("/tmp/My Shots/")), Format::jpeg);
    const qint64 after = QDateTime::currentSecsSinceEpoch();

    const QRegularExpression pattern(QStringLiteral(
        "^/tmp/My "
        "Shots/QuorvaneShot-(\\d{4}-\\d\\d-\\d\\dT\\d\\d-\\d\\d-\\d\\dZ)-([0-9A-F-]{36})\\.(png|jpg)$"));
    const auto a = pattern.match(first.toLocalFile());
    const auto b = pattern.match(second.toLocalFile());
    ASSERT_TRUE(a.hasMatch()) << first.toLocalFile().toStdString();
    ASSERT_TRUE(b.hasMatch()) << second.toLocalFile().toStdString();
    EXPECT_EQ(a.captured(3), QStringLiteral("png"));
    EXPECT_EQ(b.captured(3), QStringLiteral("jpg"));
    EXPECT_NE(a.captured(2), b.captured(2));
    QString time = a.captured(1);
    time.replace(13, 1, QLatin1Char(':')).replace(16, 1, QLatin1Char(':'));
    const qint64 seconds = QDateTime::fromString(time, Qt::ISODate).toSecsSinceEpoch();
    EXPECT_GE(seconds, before);
    EXPECT_LE(seconds, after);
}

TEST(ImageExporter, QualityMustLieWithinZeroAndOneForBothFormats) {
    const QImage image = translucentGradient(8, 8);
    for (Format format : ImageExporter::allFormats) {
        for (double quality : {0.0, 1.0})
            EXPECT_TRUE(ImageExporter::encode(image, format, quality)) << quality;
        for (double quality : {-0.1, 1.0001, 1.5, std::numeric_limits<double>::infinity(),
                               std::numeric_limits<double>::quiet_NaN()}) {
            const auto result = ImageExporter::encode(image, format, quality);
            ASSERT_FALSE(result) << quality;
            EXPECT_EQ(result.error(), ExportError::invalidQuality);
        }
    }
    EXPECT_EQ(ImageExporter::message(ExportError::invalidQuality),
              QStringLiteral("JPEG quality must be between 0 and 1."));
    EXPECT_EQ(ImageExporter::error(ExportError::clipboardFailed),
              (Error{QStringLiteral("Quorvane.ImageExporter.ExportError"), 3,
                     QStringLiteral("The image could not be copied to the clipboard.")}));
    for (Format format : ImageExporter::allFormats)
        EXPECT_EQ(ImageExporter::encode(QImage(), format, 1).error(), ExportError::encodingFailed);
}

// An independent decoder (Qt's) reads back exactly the pixels, across the strips that different
// threads compressed.
TEST(ImageExporter, PngKeepsEveryPixelAndStoresOpaqueImagesAsRgb) {
    const QImage translucent = translucentGradient(700, 900);
    QImage opaque = translucentGradient(333, 1200).convertToFormat(QImage::Format_RGBX8888);
    opaque.setColorSpace(QColorSpace::SRgb);
    const QImage untagged = QImage(opaque).convertToFormat(QImage::Format_ARGB32);
    // An opaque image in a format with alpha is still stored as RGB.
    for (const auto& [image, colourType] :
         {std::pair(translucent, 6), std::pair(opaque, 2), std::pair(untagged, 2)}) {
        const auto png = ImageExporter::encode(image, Format::png, 0.9);
        ASSERT_TRUE(png);
        EXPECT_EQ(png->at(25), colourType);
        EXPECT_TRUE(test::imagesNear(QImage::fromData(*png, "PNG"), image, 0));
        const auto imported = ImageImporter::image(*png);
        ASSERT_TRUE(imported);
        EXPECT_TRUE(test::imagesNear(*imported, image, 0));
    }
}

TEST(ImageExporter, JpegIsFlattenedOntoWhitePngStaysTransparent) {
    QImage clear(40, 30, QImage::Format_RGBA8888_Premultiplied);
    clear.fill(Qt::transparent);
    clear = tagged(clear);
    const auto jpeg = ImageExporter::encode(clear, Format::jpeg, 1);
    ASSERT_TRUE(jpeg);
    QImage white(40, 30, QImage::Format_RGBX8888);
    white.fill(Qt::white);
    EXPECT_TRUE(test::imagesNear(QImage::fromData(*jpeg, "JPEG"), white, 0));
    const auto png = ImageExporter::encode(clear, Format::png, 1);
    EXPECT_TRUE(test::imagesNear(QImage::fromData(*png, "PNG"), clear, 0));

    // Half-transparent red over white.
    QImage red(8, 8, QImage::Format_RGBA8888);
    red.fill(QColor(255, 0, 0, 128));
    const QImage decoded = QImage::fromData(*ImageExporter::encode(tagged(red), Format::jpeg, 1), "JPEG");
    const QColor pixel = decoded.pixelColor(4, 4);
    EXPECT_NEAR(pixel.red(), 255, 3);
    EXPECT_NEAR(pixel.green(), 127, 3);
    EXPECT_NEAR(pixel.blue(), 127, 3);
}

TEST(ImageExporter, RefusesDestinationsOutsideTheFileSystemFirst) {
    const QUrl web(QStringLiteral("https://example.com/shot.png"));
    const Error invalid = ImageExporter::error(ExportError::invalidDestination);
    EXPECT_EQ(ImageExporter::save(translucentGradient(4, 4), web, Format::png, 7), invalid);
    EXPECT_EQ(ImageExporter::write(QByteArray("x"), web), invalid);
    EXPECT_EQ(ImageExporter::writeExclusive(QByteArray("x"), web), invalid);
    EXPECT_EQ(invalid.message, QStringLiteral("Choose a local file destination."));
}

TEST(ImageExporter, SavingOntoAnExistingNameChangesNothing) {
    test::TempDir folder;
    const fs::path existing = folder / "shot.png";
    QFile file(QString::fromStdString(existing.string()));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("the user's own file");
    file.close();

    const auto failure = ImageExporter::save(translucentGradient(4, 4), urlOf(existing), Format::png, 0.9);
    ASSERT_TRUE(failure);
    EXPECT_TRUE(PosixFile::isError(*failure, EEXIST));
    EXPECT_EQ(contents(existing), QByteArray("the user's own file"));
    EXPECT_EQ(namesIn(folder.path()), QStringList{QStringLiteral("shot.png")});
}

// The temporary file is complete, in the destination's folder, when it gets its final name.
TEST(ImageExporter, LinksACompleteHiddenTemporaryFile) {
    test::TempDir folder;
    const QByteArray bytes(100'000, 'q');
    QString linked;
    const auto link = [&](const QString& source, const QString& destination) {
        linked = source;
        EXPECT_EQ(QFile(source).size(), bytes.size());
        return ImageExporter::hardLink(source, destination);
    };
    EXPECT_FALSE(ImageExporter::write(bytes, urlOf(folder / "a.png"), link));
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("/\\.quorvane-[0-9A-F-]{36}\\.tmp$")).match(linked).hasMatch());
    EXPECT_TRUE(linked.startsWith(QString::fromStdString(folder.path().string())));
    EXPECT_EQ(contents(folder / "a.png"), bytes);
    EXPECT_EQ(namesIn(folder.path()), QStringList{QStringLiteral("a.png")});
}

TEST(ImageExporter, WithoutHardLinksCreatesTheFileExclusively) {
    EXPECT_TRUE(ImageExporter::linkUnsupported(PosixFile::error(ENOTSUP)));
    for (int code : {EOPNOTSUPP, EPERM, EXDEV, EMLINK})
        EXPECT_TRUE(ImageExporter::linkUnsupported(PosixFile::error(code))) << code;
    for (int code : {EEXIST, ENOENT, EACCES, ENOSPC})
        EXPECT_FALSE(ImageExporter::linkUnsupported(PosixFile::error(code))) << code;
    EXPECT_FALSE(ImageExporter::linkUnsupported(Error{QStringLiteral("Other"), EPERM, {}}));

    test::TempDir folder;
    const mode_t previousMask = ::umask(022);
    for (int code : {EOPNOTSUPP, EPERM, EXDEV, EMLINK}) {
        const fs::path target = folder / std::to_string(code);
        const auto refuse = [code](const QString&, const QString&) {
            return std::optional(PosixFile::error(code));
        };
        EXPECT_FALSE(ImageExporter::write("bytes", urlOf(target), refuse));
        EXPECT_EQ(contents(target), QByteArray("bytes"));
        EXPECT_EQ(fs::status(target).permissions(), fs::perms(0644));
    }
    // A link error that is not about missing support is the result, and nothing is written.
    const auto denied = [](const QString&, const QString&) {
        return std::optional(PosixFile::error(EACCES));
    };
    const auto failure = ImageExporter::write("bytes", urlOf(folder / "denied"), denied);
    ::umask(previousMask);
    ASSERT_TRUE(failure);
    EXPECT_TRUE(PosixFile::isError(*failure, EACCES));
    EXPECT_EQ(namesIn(folder.path()).size(), 4);
}

TEST(ImageExporter, ThreadsSavingIntoOneFolderNeverOverwriteOneAnother) {
    test::TempDir folder;
    const QUrl shared = urlOf(folder / "shared.png");
    constexpr int threads = 16, savesPerThread = 12;
    std::atomic<int> sharedWins{0}, uniqueWins{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            const QByteArray mine = QByteArray::number(t).repeated(5000);
            for (int i = 0; i < savesPerThread; ++i) {
                if (!ImageExporter::write(mine, shared)) ++sharedWins;
                if (!ImageExporter::write(mine, ImageExporter::uniqueURL(urlOf(folder.path()), Format::png)))
                    ++uniqueWins;
            }
        });
    for (auto& worker : workers)
        worker.join();
    EXPECT_EQ(sharedWins, 1);
    EXPECT_EQ(uniqueWins, threads * savesPerThread);
    const QByteArray winner = contents(folder / "shared.png");
    EXPECT_EQ(winner, winner.left(winner.size() / 5000).repeated(5000));
    const QStringList names = namesIn(folder.path());
    EXPECT_EQ(names.size(), threads * savesPerThread + 1);
    EXPECT_TRUE(names.filter(QStringLiteral(".tmp")).isEmpty());
}

} // namespace
} // namespace quorvane
