// Keeping an edited picture: Save into the save folder (never over an earlier file), Save As
// through the real dialog (which refuses taken names), another save folder, JPEG, and Reopen Last
// Export, which asks before it drops edits.

#include "support/ImageCompare.h"
#include "support/WaitUntil.h"
#include "support/journey/JourneyTest.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QPainter>

namespace quorvane::journey {
namespace {

class SaveAndReopen : public JourneyTest {
protected:
    // Light, so that the editor's messages over it read well.
    static QString makePicture(Program& quorvane) {
        QImage image(640, 400, QImage::Format_RGB32);
        image.fill(QColor(200, 225, 250));
        QPainter(&image).fillRect(QRect(0, 200, 640, 200), QColor(250, 235, 200));
        return placePicture(quorvane, image, "holiday.png");
    }

    static void drawRectangle(QPoint offset = {}) {
        const Window window = editor();
        activate(window);
        press(QStringLiteral("r"));
        const QPoint middle = window.geometry.center() + offset;
        drag(middle - QPoint(60, 40), middle + QPoint(60, 40));
    }

    static QByteArray digest(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    }

    static QImage decoded(const QString& path) { return QImage(path).convertToFormat(QImage::Format_RGB32); }

    // The question before edits are dropped, as a person reads it (the action's words begin a
    // wrapped line).
    static std::optional<Window> asksToDiscard(const QString& action) {
        const auto asked = question();
        if (!asked || !waitForText(asked->geometry, QStringLiteral("Discard unexported changes?")) ||
            !shows(asked->geometry, action))
            return std::nullopt;
        return asked;
    }
    // The save dialog's refusal: a second window titled as the dialog, over it.
    static std::optional<Window> refusal() { return secondWindow(QStringLiteral("^Save")); }
};

TEST_F(SaveAndReopen, SaveWritesANewFileEachTimeAndSaveAsRefusesTakenNames) {
    Program quorvane;
    const QString picture = makePicture(quorvane);
    ASSERT_TRUE(quorvane.start());
    openImage(quorvane, picture, {640, 400});
    drawRectangle();

    // Ctrl+S, the editor's Save button, File ▸ Save Image: three new PNGs, the first left as it was.
    press(QStringLiteral("ctrl+s"));
    ASSERT_TRUE(quorvane.waitForSavedImages(1)) << quorvane.log().toStdString();
    const QString first = quorvane.savedImages().front();
    const QByteArray firstBytes = digest(first);
    const Window window = editor();
    const QRect statusBar(window.geometry.left(), window.geometry.bottom() - 40, window.geometry.width(), 41);
    ASSERT_TRUE(clickText(statusBar, QStringLiteral("Save")));
    ASSERT_TRUE(quorvane.waitForSavedImages(2)) << quorvane.log().toStdString();
    ASSERT_TRUE(chooseMenuItem(editor(), QStringLiteral("File"), QStringLiteral("Save Image")));
    ASSERT_TRUE(quorvane.waitForSavedImages(3)) << quorvane.log().toStdString();
    ASSERT_TRUE(test::waitUntil([&] { return quorvane.countLog(QStringLiteral("Saved 640x400 px png")) == 3; }));
    const QStringList saved = quorvane.savedImages();
    ASSERT_EQ(saved.size(), 3);
    EXPECT_EQ(quorvane.countLog(QStringLiteral("Saved 640x400 px png")), 3);
    EXPECT_EQ(digest(first), firstBytes);
    const QImage edited = copied(quorvane);
    for (const QString& path : saved) {
        EXPECT_TRUE(path.endsWith(QStringLiteral(".png"))) << path.toStdString();
        EXPECT_TRUE(test::imagesNear(decoded(path), edited, 0)) << path.toStdString();
    }

    // Save Image As…: the real dialog opens in the save folder, and a typed name is enough.
    const QString chosen = quorvane.pictures() + QStringLiteral("/chosen.png");
    ASSERT_TRUE(chooseMenuItem(editor(), QStringLiteral("File"), QStringLiteral("Save Image As")));
    ASSERT_TRUE(waitForWindow(QStringLiteral("^Save")).has_value()) << "no save dialog";
    press(QStringLiteral("ctrl+a"));
    type(QStringLiteral("chosen.png"));
    press(QStringLiteral("Return"));
    ASSERT_TRUE(test::waitUntil([&] { return QFileInfo::exists(chosen); }, 20000))
        << quorvane.log().toStdString();
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Save")));
    EXPECT_TRUE(test::imagesNear(decoded(chosen), edited, 0));
    const QByteArray chosenBytes = digest(chosen);

    // The same name again after another edit, with Ctrl+Shift+S: refused with the reason, nothing
    // overwritten.
    drawRectangle(QPoint(-80, 50));
    press(QStringLiteral("ctrl+shift+s"));
    ASSERT_TRUE(waitForWindow(QStringLiteral("^Save")).has_value());
    press(QStringLiteral("ctrl+a"));
    type(QStringLiteral("chosen.png"));
    press(QStringLiteral("Return"));
    const auto refused = refusal();
    ASSERT_TRUE(refused.has_value()) << "the refusal is not shown";
    EXPECT_TRUE(waitForText(refused->geometry, QStringLiteral("Quorvane never replaces existing files.")));
    press(QStringLiteral("Return"));
    ASSERT_TRUE(test::waitUntil([] { return windows(QStringLiteral("^Save")).size() == 1; }));
    press(QStringLiteral("Escape"));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Save")));
    EXPECT_EQ(digest(chosen), chosenBytes) << "an existing file was replaced";
    EXPECT_EQ(quorvane.savedImages().size(), 4);
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

TEST_F(SaveAndReopen, AnotherSaveFolderJpegAndReopenLastExport) {
    Program quorvane({{"exportFormat", "jpeg"}});
    const QString picture = makePicture(quorvane);
    const QString shots = QString::fromStdString(quorvane.folder("Shots").string());
    std::filesystem::create_directories(quorvane.folder("Shots"));
    ASSERT_TRUE(quorvane.start());

    // Nothing saved yet: nothing to reopen.
    EXPECT_FALSE(menuItem(editor(), QStringLiteral("File"), QStringLiteral("Reopen Last Export"))
                     .value_or(MenuItem{{}, {}, true})
                     .enabled);
    openImage(quorvane, picture, {640, 400});

    // Choose Save Folder…: the folder typed into its dialog takes the saves from now on.
    ASSERT_TRUE(chooseMenuItem(editor(), QStringLiteral("File"), QStringLiteral("Choose Save Folder")));
    ASSERT_TRUE(waitForWindow(QStringLiteral("^Choose Save Folder$")).has_value()) << "no dialog titled so";
    press(QStringLiteral("ctrl+a"));
    type(shots);
    // The message shows for a few seconds over the picture: watched from before the key.
    ScreenWatch watch(editor().geometry);
    press(QStringLiteral("Return"));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Choose Save Folder$")));
    EXPECT_TRUE(watch.waitForText(QStringLiteral("Save folder: Shots")));
    activate(editor());
    press(QStringLiteral("ctrl+s"));
    ASSERT_TRUE(test::waitUntil([&] { return quorvane.savedImages(shots).size() == 1; }, 20000))
        << quorvane.log().toStdString();
    EXPECT_TRUE(quorvane.savedImages().isEmpty()) << "saved into the old folder";
    const QString jpeg = quorvane.savedImages(shots).front();
    EXPECT_TRUE(jpeg.endsWith(QStringLiteral(".jpg"))) << jpeg.toStdString();
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Saved 640x400 px jpeg")));
    EXPECT_TRUE(test::imagesNear(decoded(jpeg), decoded(picture), 24, 0.01));

    // Edits since the save: Reopen Last Export asks first, and Cancel keeps them.
    drawRectangle();
    ASSERT_TRUE(chooseMenuItem(editor(), QStringLiteral("File"), QStringLiteral("Reopen Last Export")));
    ASSERT_TRUE(asksToDiscard(QStringLiteral("Reopening the last"))) << "no question";
    press(QStringLiteral("Return"));
    ASSERT_TRUE(waitForNoQuestion());
    EXPECT_FALSE(test::imagesNear(copied(quorvane), decoded(jpeg), 24, 0.001)) << "the edit was dropped";

    // Another edit, and this time Discard: the saved JPEG is the document again.
    drawRectangle(QPoint(50, 40));
    ASSERT_TRUE(chooseMenuItem(editor(), QStringLiteral("File"), QStringLiteral("Reopen Last Export")));
    const auto asked = asksToDiscard(QStringLiteral("Reopening the last"));
    ASSERT_TRUE(asked.has_value());
    ASSERT_TRUE(clickText(asked->geometry, QStringLiteral("Discard")));
    ASSERT_TRUE(waitForNoQuestion());
    EXPECT_TRUE(test::imagesNear(copied(quorvane), decoded(jpeg), 2, 0.001))
        << "the last export was not reopened";
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

} // namespace
} // namespace quorvane::journey
