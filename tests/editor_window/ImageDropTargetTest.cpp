#include "editor_window/ImageDropTarget.h"

#include "editor_window/EditorViewRig.h"
#include "editor_window/WindowStatusToast.h"
#include "support/LogLines.h"

#include <QFile>
#include <QPushButton>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace quorvane {
namespace {

TEST(ImageDropTarget, ChoosesTheFirstFileThenPngTiffJpegThenAnyImage) {
    struct Case {
        const char* name;
        std::vector<std::pair<QString, QByteArray>> formats;
        std::optional<QString> expectedType;
    };
    const QByteArray bytes("x");
    const std::vector<Case> cases = {
        {"png over tiff", {{"image/tiff", bytes}, {"image/png", bytes}}, QStringLiteral("image/png")},
        {"tiff over jpeg", {{"image/jpeg", bytes}, {"image/tiff", bytes}}, QStringLiteral("image/tiff")},
        {"any image type", {{"text/plain", bytes}, {"image/bmp", bytes}}, QStringLiteral("image/bmp")},
        {"no image", {{"text/plain", bytes}}, std::nullopt},
    };
    for (const Case& c : cases) {
        QMimeData mime;
        for (const auto& [format, data] : c.formats)
            mime.setData(format, data);
        auto offer = ImageDropTarget::take(mime);
        EXPECT_EQ(offer != nullptr, c.expectedType.has_value()) << c.name;
        if (offer && c.expectedType) {
            EXPECT_EQ(ImageDropTarget::read(*offer).type, *c.expectedType) << c.name;
        }
    }

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/b.png")),
                   QUrl::fromLocalFile(QStringLiteral("/tmp/c.png"))});
    files.setData(QStringLiteral("image/png"), bytes);
    auto file = ImageDropTarget::read(*ImageDropTarget::take(files));
    ASSERT_TRUE(file.file);
    EXPECT_EQ(file.file->toLocalFile(), QStringLiteral("/tmp/b.png")) << "a file wins over image data";

    // A drag is judged by its types alone, unread: a list of links is taken, and only its first
    // item counts when dropped: a remote link first is no file, even with local files after it.
    QMimeData remoteFirst;
    remoteFirst.setUrls({QUrl(QStringLiteral("https://example.com/a.png")),
                         QUrl::fromLocalFile(QStringLiteral("/tmp/b.png"))});
    EXPECT_TRUE(ImageDropTarget::accepts(remoteFirst.formats()));
    const auto none = ImageDropTarget::read(*ImageDropTarget::take(remoteFirst));
    EXPECT_FALSE(none.file);
    EXPECT_TRUE(none.type.isEmpty());
    remoteFirst.setData(QStringLiteral("image/png"), bytes);
    auto data = ImageDropTarget::read(*ImageDropTarget::take(remoteFirst));
    EXPECT_FALSE(data.file);
    EXPECT_EQ(data.type, QStringLiteral("image/png"));

    // A file on another computer goes on to the importer, which says where it is; image data beside
    // it is opened instead.
    QMimeData otherComputer;
    otherComputer.setUrls({QUrl(QStringLiteral("file://otherhost/tmp/b.png"))});
    EXPECT_EQ(ImageDropTarget::read(*ImageDropTarget::take(otherComputer)).file,
              QUrl(QStringLiteral("file://otherhost/tmp/b.png")));
    otherComputer.setData(QStringLiteral("image/png"), bytes);
    const auto beside = ImageDropTarget::read(*ImageDropTarget::take(otherComputer));
    EXPECT_FALSE(beside.file);
    EXPECT_EQ(beside.type, QStringLiteral("image/png"));

    QMimeData remoteOnly;
    remoteOnly.setUrls({QUrl(QStringLiteral("https://example.com/a.png"))});
    remoteOnly.setData(QStringLiteral("image/jpeg"), bytes);
    auto jpeg = ImageDropTarget::read(*ImageDropTarget::take(remoteOnly));
    EXPECT_FALSE(jpeg.file);
    EXPECT_EQ(jpeg.type, QStringLiteral("image/jpeg"));
}

TEST(ImageDropTarget, DroppedDataReplacesTheOpenDocumentThroughTheHandover) {
    test::EditorViewRig rig;
    EditorDocument* before = rig.open(40, 30);
    before->addAnnotation(test::annotation(AnnotationKind::rectangle, QRectF(1, 1, 5, 5)));
    rig.capture.controller->isDirty = [](EditorDocument*) { return true; };
    QMimeData mime;
    mime.setData(QStringLiteral("image/tiff"), QByteArray("not a tiff"));
    mime.setData(QStringLiteral("image/png"), test::pngBytes(test::gradientImage(6, 3)));
    EXPECT_TRUE(rig.drop(mime));
    ASSERT_NE(rig.capture.controller->document(), nullptr);
    EXPECT_EQ(rig.capture.controller->document()->image().size(), QSize(6, 3));
    EXPECT_EQ(rig.capture.controller->previousDocument(), before) << "kept for restore";
    EXPECT_NE(rig.view->pane(), nullptr);
}

TEST(ImageDropTarget, RefusedDataShowsTheImportersMessageWithDismissOnly) {
    test::EditorViewRig rig;
    QMimeData mime;
    mime.setData(QStringLiteral("image/x-unknown"), QByteArray("GIF? no, plain words"));
    EXPECT_FALSE(rig.drop(mime)) << "data of this process is judged before the drop is answered";
    ASSERT_TRUE(rig.capture.controller->errorMessage());
    EXPECT_FALSE(rig.capture.controller->errorIsRetryable());
    EXPECT_EQ(*rig.capture.controller->errorMessage(),
              ImageImporter::image(QByteArray("GIF? no, plain words")).error().message());
    WindowStatusToast* toast = rig.view->toast();
    EXPECT_NE(toast->button(QStringLiteral("Dismiss")), nullptr);
    EXPECT_EQ(toast->button(QStringLiteral("Retry")), nullptr);
    EXPECT_EQ(rig.capture.controller->document(), nullptr);
}

TEST(ImageDropTarget, BadDropsEndInAMessageOrARefusalNeverACrash) {
    test::EditorViewRig rig;
    test::TempDir dir;
    const QString empty = QString::fromStdString((dir / "empty.png").string());
    QFile(empty).open(QIODevice::WriteOnly);
    const QString fifo = QString::fromStdString((dir / "pipe.png").string());
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folder = QString::fromStdString(dir.path().string());
    for (const QString& path : {empty, fifo, folder}) {
        rig.capture.controller->setErrorMessage(std::nullopt);
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path)});
        EXPECT_TRUE(rig.drop(mime));
        EXPECT_TRUE(rig.capture.controller->errorMessage().has_value()) << path.toStdString();
        EXPECT_EQ(rig.capture.controller->document(), nullptr);
    }

    QMimeData many;
    QList<QUrl> urls;
    for (int i = 0; i < 10'000; ++i)
        urls.push_back(QUrl::fromLocalFile(QStringLiteral("/nonexistent/%1.png").arg(i)));
    many.setUrls(urls);
    const size_t before = rig.imported.size();
    EXPECT_TRUE(rig.drop(many));
    EXPECT_EQ(rig.imported.size(), before + 1) << "only the first of many";

    // A link elsewhere is taken by its type, then opens nothing: refused once read, with the bell.
    QMimeData remote;
    remote.setUrls({QUrl(QStringLiteral("ftp://example.com/x.png"))});
    rig.capture.controller->setErrorMessage(std::nullopt);
    EXPECT_FALSE(rig.drop(remote));
    EXPECT_EQ(rig.imported.size(), before + 1);
    EXPECT_FALSE(rig.capture.controller->errorMessage());
    EXPECT_EQ(rig.exports.beeper.beeps, 1);

    QMimeData emptyData;
    emptyData.setData(QStringLiteral("image/png"), QByteArray());
    rig.capture.controller->setErrorMessage(std::nullopt);
    EXPECT_FALSE(rig.drop(emptyData)) << "refused once read, then nothing changes";
    EXPECT_FALSE(rig.capture.controller->errorMessage());
    EXPECT_EQ(rig.capture.controller->document(), nullptr);
    EXPECT_EQ(rig.exports.beeper.beeps, 2);
}

// A list of links offered as its bytes, as another program offers it: QMimeData itself would
// parse them into links, which for a list of 16 MiB takes long.
struct ListedLinks final : QMimeData {
    QByteArray bytes;
    QStringList formats() const override { return {QStringLiteral("text/uri-list")}; }
    QVariant retrieveData(const QString&, QMetaType) const override { return bytes; }
};

// A drop we cannot use is said to the user as a paste of the same data says it: the importer's
// message, or the bell where there is nothing to open. Data of this process is judged before the
// drop is answered, and such a drop is refused. Every drop, opened or not, leaves one line in the
// log, which never names the file.
TEST(ImageDropTarget, EveryDropLeavesOneLogLineAndOneWeCannotUseIsSaidAsAPasteSaysIt) {
    test::EditorViewRig rig;
    const test::LogLines log("app");
    test::TempDir dir;
    const QString picture = QString::fromStdString((dir / "picture.png").string());
    {
        QFile out(picture);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(test::pngBytes(test::gradientImage(7, 5)));
    }
    // Over the bound of a list before its first link, which names a picture that opens.
    ListedLinks overLong;
    overLong.bytes = QByteArray(16 << 20, '#') + "\r\n" + QUrl::fromLocalFile(picture).toEncoded() + "\r\n";
    QMimeData elsewhere, junk;
    elsewhere.setUrls({QUrl(QStringLiteral("https://example.com/a.png"))});
    junk.setData(QStringLiteral("image/png"), QByteArray("\x89PNG\r\n\x1a\n and then words"));
    for (const auto& [name, mime] : {std::pair<const char*, const QMimeData*>{"over-long list", &overLong},
                                     {"no file", &elsewhere},
                                     {"damaged picture", &junk}}) {
        SCOPED_TRACE(name);
        const auto pasted = ImageImporter::image(*mime);
        rig.capture.controller->setErrorMessage(std::nullopt);
        const int beeps = rig.exports.beeper.beeps;
        const std::size_t lines = log.lines().size();
        EXPECT_FALSE(rig.drop(*mime));
        ASSERT_FALSE(pasted && *pasted);
        if (pasted) {
            EXPECT_EQ(rig.exports.beeper.beeps, beeps + 1);
            EXPECT_FALSE(rig.capture.controller->errorMessage());
        } else {
            EXPECT_EQ(rig.capture.controller->errorMessage(), pasted.error().message());
            EXPECT_EQ(rig.exports.beeper.beeps, beeps);
        }
        ASSERT_EQ(log.lines().size(), lines + 1);
        EXPECT_FALSE(QString::fromStdString(log.lines().back()).contains(QLatin1String("picture")))
            << log.lines().back();
    }
    EXPECT_EQ(log.count("Drop opened nothing: it held no file link first and no image data"), 1);

    // A link to a file that is not there is taken; the importer says that it is not there.
    const QUrl missing = QUrl::fromLocalFile(QString::fromStdString((dir / "missing.png").string()));
    QMimeData gone;
    gone.setUrls({missing});
    EXPECT_TRUE(rig.drop(gone));
    EXPECT_EQ(rig.capture.controller->errorMessage(), ImageImporter::ImportError::missing().message(missing));

    // A picture dropped as data opens, and says so.
    QMimeData image;
    image.setData(QStringLiteral("image/png"), test::pngBytes(test::gradientImage(7, 5)));
    EXPECT_TRUE(rig.drop(image));
    EXPECT_TRUE(test::waitUntil([&] { return log.count("Imported 7x5 px image") == 1; }));
}

} // namespace
} // namespace quorvane
