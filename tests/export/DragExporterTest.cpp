#include "export/DragExporter.h"

#include "export/FileDragSource.h"
#include "export/ImageImporter.h"
#include "platform/PosixFile.h"
#include "support/CountingBeeper.h"
#include "support/SentMouse.h"
#include "support/TempDir.h"
#include "support/TestAnnotations.h"

#include <QDir>
#include <QDrag>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane {
namespace {

namespace fs = std::filesystem;

const QDateTime evening(QDate(2026, 12, 5), QTime(19, 43, 39));

struct DragFolder {
    test::TempDir root;
    QString path = QString::fromStdString((root / "Quorvane Drag").string());
    DragExporter exporter{path};

    DragFolder() {
        exporter.now = [] { return evening; };
    }
    QStringList names() const {
        return QDir(path).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }
    void touch(const QString& name, const QDateTime& modified) const {
        QFile file(path + QLatin1Char('/') + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
        file.flush();
        file.setFileTime(modified, QFileDevice::FileModificationTime);
    }
};

TEST(DragExporter, BaseNameCleansTheSuggestedNameOrFallsBackToTheDate) {
    const QString dated = QStringLiteral("Quorvane Screenshot 2026-12-05 at 19.43.39");
    const QString long250 =
        QString(195, QLatin1Char('a')) + QStringLiteral("     ") + QString(50, QLatin1Char('b'));
    const std::vector<std::pair<std::optional<QString>, QString>> cases = {
        {std::nullopt, dated},
        {QStringLiteral("  Report.PNG  "), QStringLiteral("Report")},
        {QStringLiteral("a/b:c"), QStringLiteral("a-b-c")},
        {QStringLiteral("...hidden"), QStringLiteral("hidden")},
        {QStringLiteral(".png"), dated},
        {QStringLiteral("tab\there\x01"), QStringLiteral("tabhere")},
        // Format characters too: bidirectional marks could make "gpj.exe" read as "exe.jpg".
        {QString::fromUtf8("a\u202Egpj.exe"), QStringLiteral("agpj.exe")},
        {QString::fromUtf8("zero\u200Bwidth\u200D\uFEFF"), QStringLiteral("zerowidth")},
        {long250, QString(195, QLatin1Char('a'))},
        {QString(250, QChar(0xE9)), QString(200, QChar(0xE9))},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(DragExporter::baseName(name, evening), expected)
            << name.value_or(QStringLiteral("<none>")).toStdString();
}

TEST(DragExporter, WritesPngFilesThatNeverReplaceOneAnother) {
    DragFolder folder;
    const QImage image = test::twoToneImage(12, 8);
    auto first = folder.exporter.file(image);
    auto second = folder.exporter.file(image);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(QFileInfo(*first).fileName(), QStringLiteral("Quorvane Screenshot 2026-12-05 at 19.43.39.png"));
    EXPECT_EQ(QFileInfo(*second).fileName(),
              QStringLiteral("Quorvane Screenshot 2026-12-05 at 19.43.39 2.png"));
    EXPECT_EQ(folder.names().size(), 2);
    auto decoded = ImageImporter::image(QUrl::fromLocalFile(*second));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->pixelColor(0, 0), image.pixelColor(0, 0));
    EXPECT_EQ(decoded->pixelColor(0, 7), image.pixelColor(0, 7));

    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(folder.path).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(QFile::encodeName(*first).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST(DragExporter, AllNamesTakenFailsWithEexistAndLeavesNoTemporaryFile) {
    DragFolder folder;
    ASSERT_TRUE(folder.exporter.file(test::twoToneImage(4, 4), QStringLiteral("Full")));
    for (int n = 2; n <= DragExporter::maxNames; ++n)
        folder.touch(QStringLiteral("Full %1.png").arg(n), evening);
    folder.exporter.now = [] { return evening.addSecs(30); }; // nothing is old enough to prune
    auto failed = folder.exporter.file(test::twoToneImage(4, 4), QStringLiteral("Full"));
    ASSERT_FALSE(failed);
    EXPECT_TRUE(PosixFile::isError(failed.error(), EEXIST));
    EXPECT_EQ(folder.names().size(), DragExporter::maxNames);
    for (const QString& name : folder.names())
        EXPECT_FALSE(name.startsWith(QLatin1Char('.'))) << name.toStdString();
}

TEST(DragExporter, RenameAndWriteFailuresLeaveNothingBehind) {
    struct FullDisk : PosixFile::Calls {
        ssize_t write(int, const void*, size_t) const override {
            errno = ENOSPC;
            return -1;
        }
    } fullDisk;
    // Root may write anywhere, so a read-only folder is acted out at the rename.
    for (int code : {ENOSPC, EACCES}) {
        DragFolder folder;
        if (code == ENOSPC)
            folder.exporter.calls = &fullDisk;
        else
            folder.exporter.rename = [](const QString&, const QString&) { return EACCES; };
        auto failed = folder.exporter.file(test::twoToneImage(4, 4));
        ASSERT_FALSE(failed);
        EXPECT_TRUE(PosixFile::isError(failed.error(), code));
        EXPECT_TRUE(folder.names().isEmpty());
    }
}

TEST(DragExporter, UnsafeFoldersRefuseEveryDrag) {
    const QString refusal = QStringLiteral("Choose a local file destination.");
    {
        DragFolder folder;
        const fs::path elsewhere = folder.root / "elsewhere";
        fs::create_directory(elsewhere);
        fs::create_directory_symlink(elsewhere, folder.path.toStdString());
        auto failed = folder.exporter.file(test::twoToneImage(4, 4));
        ASSERT_FALSE(failed);
        EXPECT_EQ(failed.error().message, refusal);
        folder.touch(QStringLiteral("kept.png"), evening); // lands in `elsewhere` through the link
        folder.exporter.removeAll();
        EXPECT_TRUE(fs::exists(elsewhere / "kept.png"));
    }
    if (const passwd* nobody = ::getpwnam("nobody"); nobody != nullptr && ::getuid() == 0) {
        DragFolder folder;
        fs::create_directory(folder.path.toStdString());
        ASSERT_EQ(::chown(QFile::encodeName(folder.path).constData(), nobody->pw_uid, nobody->pw_gid), 0);
        auto failed = folder.exporter.file(test::twoToneImage(4, 4));
        ASSERT_FALSE(failed);
        EXPECT_EQ(failed.error().message, refusal);
        EXPECT_TRUE(folder.names().isEmpty());
    }
    {
        DragFolder folder;
        QFile plain(folder.path);
        ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
        plain.close();
        EXPECT_FALSE(folder.exporter.file(test::twoToneImage(4, 4)));
        EXPECT_TRUE(QFileInfo(folder.path).isFile());
    }
}

TEST(DragExporter, PruningKeepsRecentFilesThenTheNewestTwenty) {
    DragFolder folder;
    ASSERT_TRUE(folder.exporter.file(test::twoToneImage(4, 4), QStringLiteral("seed")));
    QFile::remove(folder.path + QStringLiteral("/seed.png"));
    for (int i = 0; i < 25; ++i)
        folder.touch(QStringLiteral("f%1.png").arg(i, 2, 10, QLatin1Char('0')), evening.addSecs(i));
    folder.exporter.now = [] { return evening.addSecs(60); };
    folder.exporter.prune();
    EXPECT_EQ(folder.names().size(), 25) << "nothing is deleted in its first two minutes";

    folder.exporter.now = [] { return evening.addSecs(200); };
    folder.exporter.prune();
    QStringList expected;
    for (int i = 5; i < 25; ++i)
        expected << QStringLiteral("f%1.png").arg(i, 2, 10, QLatin1Char('0'));
    EXPECT_EQ(folder.names(), expected);

    folder.touch(QStringLiteral("f99.png"), evening.addSecs(-86'401 + 200));
    folder.exporter.prune();
    EXPECT_FALSE(folder.names().contains(QStringLiteral("f99.png")))
        << "older than a day, even among the newest";

    const fs::path sub = fs::path(folder.path.toStdString()) / "sub";
    fs::create_directory(sub);
    folder.exporter.removeAll();
    EXPECT_TRUE(folder.names().isEmpty());
    EXPECT_FALSE(fs::exists(sub));
    EXPECT_TRUE(fs::is_directory(folder.path.toStdString()));
}

TEST(DragExporter, PreviewIsAtMostTheMaximumSideAtTwiceThePixels) {
    const std::vector<std::tuple<QSize, QSizeF, QSize>> cases = {
        {{4000, 1000}, {160, 40}, {320, 80}},
        {{100, 50}, {100, 50}, {200, 100}},
        {{1000, 3}, {160, 1}, {320, 2}},
    };
    for (const auto& [image, points, pixels] : cases) {
        const QPixmap preview = DragExporter::preview(test::twoToneImage(image.width(), image.height()));
        EXPECT_EQ(preview.deviceIndependentSize(), points);
        EXPECT_EQ(preview.size(), pixels);
    }
    EXPECT_EQ(DragExporter::draggingFrame(QSizeF(160, 40), QPointF(300, 200)), QRectF(220, 180, 160, 40));
}

struct SourceRig : DragFolder {
    test::CountingBeeper beeper;
    int imageCalls = 0;
    std::optional<QImage> image = test::twoToneImage(30, 20);
    std::vector<QList<QUrl>> drags;
    std::vector<QPoint> hotSpots;
    FileDragSource source{exporter,
                          [this] {
                              ++imageCalls;
                              return image;
                          },
                          beeper};

    SourceRig() {
        source.resize(22, 20);
        source.setDragRunner([this](QDrag& drag) {
            drags.push_back(drag.mimeData()->urls());
            hotSpots.push_back(drag.hotSpot());
            return Qt::CopyAction;
        });
    }
    void mouse(QEvent::Type type, QPointF at) {
        QMouseEvent event(type, at, source.mapToGlobal(at),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&source, &event);
    }
};

TEST(FileDragSource, StartsOneDragOncePastThreePoints) {
    SourceRig rig;
    rig.mouse(QEvent::MouseButtonPress, {5, 5});
    rig.mouse(QEvent::MouseMove, {7.9, 5});
    rig.mouse(QEvent::MouseMove, {5, 7.9});
    EXPECT_EQ(rig.imageCalls, 0) << "2.9 points starts nothing";
    rig.mouse(QEvent::MouseMove, {8, 5});
    ASSERT_EQ(rig.drags.size(), 1u);
    rig.mouse(QEvent::MouseMove, {20, 5});
    EXPECT_EQ(rig.drags.size(), 1u) << "once per press";
    rig.mouse(QEvent::MouseButtonRelease, {20, 5});

    ASSERT_EQ(rig.drags[0].size(), 1);
    const QUrl file = rig.drags[0][0];
    EXPECT_TRUE(file.isLocalFile());
    EXPECT_TRUE(file.toLocalFile().startsWith(rig.exporter.directory()));
    auto decoded = ImageImporter::image(file);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->size(), QSize(30, 20));
    EXPECT_EQ(rig.hotSpots[0], QPoint(15, 10)) << "the preview centred on the pointer";

    rig.mouse(QEvent::MouseButtonPress, {5, 5});
    rig.mouse(QEvent::MouseButtonRelease, {5, 5});
    EXPECT_EQ(rig.imageCalls, 1) << "a click never asks for the image";
    EXPECT_EQ(rig.beeper.beeps, 0);
}

TEST(FileDragSource, NoImageOrAFailedFileBeepsOnceAndStartsNothing) {
    SourceRig rig;
    rig.image.reset();
    SourceRig broken;
    broken.exporter.rename = [](const QString&, const QString&) { return EIO; };
    for (SourceRig* r : {&rig, &broken}) {
        r->mouse(QEvent::MouseButtonPress, {5, 5});
        r->mouse(QEvent::MouseMove, {10, 5});
        r->mouse(QEvent::MouseMove, {15, 5});
        EXPECT_EQ(r->beeper.beeps, 1);
        EXPECT_TRUE(r->drags.empty());
    }
}

TEST(FileDragSource, SurvivesBeingDeletedDuringItsDrag) {
    SourceRig rig;
    auto* doomed = new FileDragSource(
        rig.exporter, [&] { return rig.image; }, rig.beeper);
    QPointer<FileDragSource> guard(doomed);
    bool ended = false;
    QObject::connect(doomed, &FileDragSource::dragEnded, [&] { ended = true; });
    doomed->setDragRunner([doomed](QDrag&) {
        delete doomed; // the pane went away while the nested drag loop ran
        return Qt::CopyAction;
    });
    test::pressAndMove(*doomed, QPointF(1, 1), QPointF(9, 1));
    EXPECT_TRUE(guard.isNull());
    EXPECT_FALSE(ended);
}

} // namespace
} // namespace quorvane
