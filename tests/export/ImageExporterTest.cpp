#include "export/ImageExporter.h"

#include "platform/PosixFile.h"
#include "support/ImageCompare.h"
#include "support/TempDir.h"

#include <QColorSpace>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

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
    return QDir(QString::fromStdString(folder.string())).entryList(QDir::Files | QDir::Hidden);
}

// Translucent, sRGB, and different in every corner, so that a flip or lost alpha shows.
QImage translucentGradient(int w, int h) {
    QImage image(w, h, QImage::Format_RGBA8888);
    image.setColorSpace(QColorSpace::SRgb);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixelColor(x, y, QColor(x * 255 / w, y * 255 / h, (x * y) % 256, (x + 2 * y) % 256));
    return image.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
}

TEST(ImageExporter, NamesFilesByUtcSecondAndUuid) {
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    const auto name = [](const char* folder, Format format) {
        return ImageExporter::uniqueURL(QUrl::fromLocalFile(folder), format).toLocalFile();
    };
    const QRegularExpression pattern(
        "^/tmp/My Shots/QuorvaneShot-(.{13})-(..)-(..Z)-([0-9A-F-]{36})\\.(png|jpg)$");
    const QString png = name("/tmp/My Shots", Format::png), jpeg = name("/tmp/My Shots/", Format::jpeg);
    const auto a = pattern.match(png), b = pattern.match(jpeg);
    ASSERT_TRUE(a.hasMatch() && b.hasMatch()) << png.toStdString() << " " << jpeg.toStdString();
    EXPECT_EQ(a.captured(5) + b.captured(5), "pngjpg");
    EXPECT_NE(a.captured(4), b.captured(4)) << "two names in one second";
    const QString time = a.captured(1) + ":" + a.captured(2) + ":" + a.captured(3);
    EXPECT_GE(QDateTime::fromString(time, Qt::ISODate).toSecsSinceEpoch(), before) << time.toStdString();
}

TEST(ImageExporter, EncodesOnlyWithAQualityWithinZeroAndOne) {
    const QImage image = translucentGradient(8, 8);
    for (Format format : ImageExporter::allFormats) {
        for (double quality : {0.0, 1.0})
            EXPECT_TRUE(ImageExporter::encode(image, format, quality)) << quality;
        for (double quality : {-0.1, 1.0001, std::numeric_limits<double>::infinity(), std::nan("")})
            EXPECT_EQ(ImageExporter::encode(image, format, quality).error(), ExportError::invalidQuality)
                << quality;
        EXPECT_EQ(ImageExporter::encode(QImage(), format, 1).error(), ExportError::encodingFailed);
    }
    EXPECT_EQ(ImageExporter::error(ExportError::invalidQuality),
              (Error{"Quorvane.ImageExporter.ExportError", 0, "JPEG quality must be between 0 and 1."}));
}

// An independent decoder (Qt's) reads back exactly the pixels, transparent ones included, across
// the strips that different threads compressed; opaque images are stored as RGB whatever their
// format. JPEG is flattened onto white.
TEST(ImageExporter, PngKeepsEveryPixelJpegIsFlattenedOntoWhite) {
    const QImage translucent = translucentGradient(700, 900);
    QImage opaque = translucentGradient(333, 1200).convertToFormat(QImage::Format_RGBX8888);
    const QImage untagged = QImage(opaque).convertToFormat(QImage::Format_ARGB32);
    for (const auto& [image, colourType] : {std::pair(translucent, 6), {opaque, 2}, {untagged, 2}}) {
        const auto png = ImageExporter::encode(image, Format::png, 0.9);
        ASSERT_TRUE(png);
        EXPECT_EQ(png->at(25), colourType);
        EXPECT_TRUE(test::imagesNear(QImage::fromData(*png, "PNG"), image, 0));
    }
    // Clear premultiplied pixels, and straight half-transparent red.
    for (const QColor& colour : {QColor(Qt::transparent), QColor(255, 0, 0, 128)}) {
        QImage image(40, 32,
                     colour.alpha() ? QImage::Format_RGBA8888 : QImage::Format_RGBA8888_Premultiplied);
        image.fill(colour);
        image.setColorSpace(QColorSpace::SRgb);
        QImage flat(40, 32, QImage::Format_RGBX8888);
        flat.fill(colour.alpha() ? QColor(255, 127, 127) : QColor(Qt::white));
        const QImage jpeg = QImage::fromData(*ImageExporter::encode(image, Format::jpeg, 1), "JPEG");
        EXPECT_TRUE(test::imagesNear(jpeg, flat, colour.alpha() ? 3 : 0));
    }
}

// The temporary file is complete, and has no name in the destination's folder, when it gets its
// final name; an existing file is never replaced, and no temporary file stays behind.
TEST(ImageExporter, WritesThroughACompleteUnnamedTemporaryFileAndNeverReplacesAFile) {
    test::TempDir folder;
    const QByteArray bytes(100'000, 'q');
    int links = 0;
    const auto link = [&](const QString& source, const QString& destination) {
        ++links;
        EXPECT_EQ(QFile(source).size(), bytes.size());
        EXPECT_TRUE(namesIn(folder.path()).isEmpty());
        return ImageExporter::hardLink(source, destination);
    };
    EXPECT_TRUE(ImageExporter::write(bytes, urlOf(folder / "a.png"), link).ok());
    EXPECT_EQ(links, 1);
    EXPECT_EQ(contents(folder / "a.png"), bytes);

    EXPECT_EQ(ImageExporter::save(translucentGradient(4, 4), urlOf(folder / "a.png"), Format::png, 0.9),
              Failure{PosixFile::error(EEXIST)});
    EXPECT_EQ(contents(folder / "a.png"), bytes);
    EXPECT_EQ(namesIn(folder.path()), QStringList{"a.png"});

    const Error invalid{"Quorvane.ImageExporter.ExportError", 2, "Choose a local file destination."};
    const QUrl web("https://example.com/shot.png");
    EXPECT_EQ(ImageExporter::write(QByteArray("x"), web), Failure{invalid});
    EXPECT_EQ(ImageExporter::save(translucentGradient(4, 4), web, Format::png, 7), Failure{invalid})
        << "before the quality";
}

TEST(ImageExporter, WithoutHardLinksCreatesTheFileExclusively) {
    EXPECT_FALSE(ImageExporter::linkUnsupported(Error{"Other", EPERM, {}}));
    test::TempDir folder;
    const mode_t previousMask = ::umask(022);
    for (int code : {EOPNOTSUPP, EPERM, EXDEV, EMLINK, EACCES}) {
        const fs::path target = folder / std::to_string(code);
        const auto refuse = [code](const QString&, const QString&) -> Result<void, Error> {
            return Failure{PosixFile::error(code)};
        };
        // A link error other than missing support is the result, and nothing is written.
        const bool unsupported = code != EACCES;
        EXPECT_EQ(
            ImageExporter::write("bytes", urlOf(target), refuse),
            (unsupported ? Result<void, Error>() : Result<void, Error>(Failure{PosixFile::error(code)})));
        EXPECT_EQ(contents(target), unsupported ? QByteArray("bytes") : QByteArray());
        if (!unsupported) continue;
        EXPECT_EQ(fs::status(target).permissions(), fs::perms(0644));
        // Nor does the fallback replace a file.
        EXPECT_FALSE(ImageExporter::write("other", urlOf(target), refuse).ok());
        EXPECT_EQ(contents(target), QByteArray("bytes"));
    }
    ::umask(previousMask);
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
                sharedWins += ImageExporter::write(mine, shared).ok();
                uniqueWins +=
                    ImageExporter::write(mine, ImageExporter::uniqueURL(urlOf(folder.path()), Format::png))
                        .ok();
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
    EXPECT_TRUE(names.filter(".tmp").isEmpty());
}

// Killed while a save waits to be linked, the process leaves nothing in the folder: no hidden
// temporary file, no partial destination.
TEST(ImageExporter, ACrashDuringASaveLeavesNoTemporaryFile) {
    test::TempDir folder;
    const pid_t child = ::fork();
    if (child == 0) {
        const auto die = [](const QString&, const QString&) -> Result<void, Error> {
            ::raise(SIGKILL);
            return {};
        };
        (void)ImageExporter::write(QByteArray(4 << 20, 'k'), urlOf(folder / "shot.png"), die);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(namesIn(folder.path()).join(' ').toStdString(), "");
}

// Before a save, hidden temporary files that a crash left behind are removed: regular files of
// ours, named exactly as ours are, unchanged for minutes. Nothing else is touched.
TEST(ImageExporter, ASaveRemovesOnlyStaleTemporaryFilesOfOurs) {
    test::TempDir folder, elsewhere;
    const auto everything = [&] {
        QStringList names =
            QDir(QString::fromStdString(folder.path().string()))
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        names.sort();
        return names.join('\n').toStdString();
    };
    const auto age = [&](const std::string& name) {
        const timespec hourAgo[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 3600, 0}};
        ::utimensat(AT_FDCWD, (folder / name).c_str(), hourAgo, AT_SYMLINK_NOFOLLOW);
    };
    const std::string uuid = "0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0", tail = uuid.substr(1) + ".tmp";
    const std::string stale = ".quorvane-" + uuid + ".tmp";
    for (const std::string& name :
         {stale, ".quorvane-" + QString::fromStdString(uuid).toLower().toStdString() + ".tmp",
          ".quorvane-" + uuid + ".tmp.png", ".quorvane-" + uuid.substr(0, 35) + ".tmp",
          "quorvane-" + uuid + ".tmp", ".quorvane-B" + tail}) {
        std::ofstream(folder / name) << "left behind";
        age(name);
    }
    std::ofstream(folder / (".quorvane-A" + tail)) << "a save still running";
    // Someone else's file, where we may give one away.
    if (::chown((folder / (".quorvane-B" + tail)).c_str(), ::geteuid() + 1, -1) != 0)
        fs::remove(folder / (".quorvane-B" + tail));
    std::ofstream(elsewhere / "target") << "someone else's";
    fs::create_symlink(elsewhere / "target", folder / (".quorvane-C" + tail));
    age(".quorvane-C" + tail);
    fs::create_directory(folder / (".quorvane-D" + tail));
    age(".quorvane-D" + tail);
    const std::string before = everything();

    EXPECT_TRUE(ImageExporter::write("new", urlOf(folder / "new.png")).ok());
    std::string expected = before;
    expected.erase(expected.find(stale), stale.size() + 1);
    expected.insert(expected.rfind('\n') + 1, "new.png\n");
    EXPECT_EQ(everything(), expected);
    EXPECT_EQ(contents(elsewhere / "target"), "someone else's");
}

} // namespace
} // namespace quorvane
