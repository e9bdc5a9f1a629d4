// Capturing the screen and keeping it: hot keys, the tray menu and the File menu, each post-capture
// action, saving, the save folder.

#include "support/ImageCompare.h"
#include "support/journey/JourneyTest.h"

#include <QJsonObject>
#include <QPainter>
#include <algorithm>
#include <filesystem>

namespace quorvane::journey {
namespace {

class CaptureAndSave : public JourneyTest {
protected:
    void SetUp() override {
        JourneyTest::SetUp();
        ASSERT_TRUE(
            desktop.showStillWindow(QStringLiteral("A terminal of another program"), {60, 80, 520, 240}));
        ASSERT_TRUE(desktop.showStillWindow(QStringLiteral("A second window"), {700, 300, 400, 300},
                                            QStringLiteral("lightyellow")));
    }
};

TEST_F(CaptureAndSave, HotKeyAndTrayCaptureSaveTheScreenAsItIs) {
    Program quorvane({{"postCaptureAction", "saveToFolder"}});
    ASSERT_TRUE(quorvane.start());
    // Start-up shows the editor; a person closes it to capture the desktop alone.
    activate(editor());
    press(QStringLiteral("ctrl+w"));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Quorvane$")));
    // The windows it covered have drawn themselves again once the screen holds still.
    const QImage screen = steadyGrab();
    press(QStringLiteral("ctrl+alt+super+3"));
    ASSERT_TRUE(quorvane.waitForSavedImages(1)) << quorvane.log().toStdString();
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Hotkey triggered: captureScreen")));
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Post-capture action: saveToFolder")));
    EXPECT_TRUE(test::imagesNear(QImage(quorvane.savedImages().front()).convertToFormat(QImage::Format_RGB32),
                                 screen.convertToFormat(QImage::Format_RGB32), 0));

    // The tray's capture items show their hot keys; choosing one captures like the key.
    const auto items = openTrayMenu();
    const auto captureScreen = findItem(items, QStringLiteral("Capture Screen"));
    ASSERT_TRUE(captureScreen.has_value()) << quorvane.log().toStdString();
    EXPECT_TRUE(endsLike(captureScreen->text, QStringLiteral("Ctrl+Alt+Super+3")))
        << captureScreen->text.toStdString();
    const auto captureArea = findItem(items, QStringLiteral("Capture Area"));
    ASSERT_TRUE(captureArea.has_value());
    EXPECT_TRUE(endsLike(captureArea->text, QStringLiteral("Ctrl+Alt+Super+4")))
        << captureArea->text.toStdString();
    closeMenus();
    ASSERT_TRUE(chooseTrayItem(QStringLiteral("Capture Screen")));
    EXPECT_TRUE(quorvane.waitForSavedImages(2)) << quorvane.log().toStdString();
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

// Captures taken while windows of ours are open: the editor shows as it is on screen, the
// Recognized Text window leaves no trace of itself.
TEST_F(CaptureAndSave, OpenWindowsOfOursAreCapturedAsAPersonSeesThem) {
    Program quorvane({{"postCaptureAction", "saveToFolder"}});
    ASSERT_TRUE(quorvane.start());
    const Window shown = editor();
    activate(shown);
    QImage withEditor = steadyGrab().convertToFormat(QImage::Format_RGB32);
    press(QStringLiteral("ctrl+alt+super+3"));
    ASSERT_TRUE(quorvane.waitForSavedImages(1)) << quorvane.log().toStdString();
    // The editor's content below its menu bar is left out of the comparison: the home view dims
    // while a capture runs. Its frame and menu bar show that the editor is in the capture.
    const QRect content = shown.geometry.adjusted(0, 24, 0, 0);
    QImage first = QImage(quorvane.savedImages().front()).convertToFormat(QImage::Format_RGB32);
    QPainter(&first).fillRect(content, Qt::black);
    QPainter(&withEditor).fillRect(content, Qt::black);
    EXPECT_TRUE(test::imagesNear(first, withEditor, 0));

    // Text recognised in an area over the terminal shows in its window; the editor is closed.
    activate(editor());
    press(QStringLiteral("ctrl+w"));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Quorvane$")));
    press(QStringLiteral("ctrl+alt+super+o"));
    ASSERT_TRUE(waitForAreaPicker());
    drag({80, 110}, {560, 300});
    const auto recognized = waitForWindow(QStringLiteral("^Recognized Text$"));
    ASSERT_TRUE(recognized.has_value()) << quorvane.log().toStdString();
    // The picker brings the editor back: closed again, only the Recognized Text window is open.
    if (window(QStringLiteral("^Quorvane$"))) {
        activate(editor());
        press(QStringLiteral("ctrl+w"));
        ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Quorvane$")));
    }
    steadyGrab();
    const qsizetype mark = quorvane.mark();
    press(QStringLiteral("ctrl+alt+super+3"));
    ASSERT_TRUE(quorvane.waitForSavedImages(2)) << quorvane.log().toStdString();
    EXPECT_EQ(quorvane.countLog(QStringLiteral("did not repaint"), mark), 0);
    activate(*recognized);
    press(QStringLiteral("alt+F4"));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Recognized Text$")));
    // Where the window was (focus moved, so frames elsewhere may have changed colour), once
    // what it covered has drawn itself again.
    const QRect area = recognized->geometry;
    const QImage closed = steadyGrab(area).convertToFormat(QImage::Format_RGB32);
    const QStringList saved = quorvane.savedImages();
    const bool same = std::any_of(saved.begin(), saved.end(), [&](const QString& file) {
        return test::imagesNear(QImage(file).convertToFormat(QImage::Format_RGB32).copy(area), closed, 0);
    });
    EXPECT_TRUE(same) << "no saved capture equals the screen without the Recognized Text window";
    EXPECT_EQ(quorvane.terminate(), 0);
}

// Save As writes the file under the chosen format's extension, whatever the typed name ends in,
// and saves the picture it was opened for even when a capture replaced it meanwhile.
TEST_F(CaptureAndSave, SaveAsKeepsItsFormatsExtensionAndItsPicture) {
    Program quorvane;
    const std::filesystem::path pictures = quorvane.folder("Pictures");
    const QString photo = QString::fromStdString((pictures / "photo.png").string());
    QImage picture(640, 400, QImage::Format_RGB32);
    picture.fill(QColor(200, 220, 255));
    ASSERT_TRUE(picture.save(photo));
    ASSERT_TRUE(quorvane.start());
    openImage(quorvane, photo, {640, 400});

    // A name typed with another format's extension is saved as PNG under .png.
    activate(editor());
    press(QStringLiteral("ctrl+shift+s"));
    ASSERT_TRUE(waitForWindow(QStringLiteral("^Save As$")).has_value()) << quorvane.log().toStdString();
    type(QString::fromStdString((pictures / "shot.jpg").string()));
    press(QStringLiteral("Return"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Saved 640x400 px png"))) << quorvane.log().toStdString();
    EXPECT_TRUE(std::filesystem::exists(pictures / "shot.png"));
    EXPECT_FALSE(std::filesystem::exists(pictures / "shot.jpg"));
    EXPECT_EQ(QImage(QString::fromStdString((pictures / "shot.png").string()), "PNG").size(),
              QSize(640, 400));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Save As$")));

    // A hot-key capture while the dialog is open: the dialog still saves the opened picture.
    activate(editor());
    press(QStringLiteral("ctrl+shift+s"));
    auto dialog = waitForWindow(QStringLiteral("^Save As$"));
    ASSERT_TRUE(dialog.has_value());
    const qsizetype beforeCapture = quorvane.mark();
    press(QStringLiteral("ctrl+alt+super+3"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Post-capture action"), beforeCapture))
        << quorvane.log().toStdString();
    dialog = waitForWindow(QStringLiteral("^Save As$"));
    ASSERT_TRUE(dialog.has_value()) << "the dialog stays open";
    activate(*dialog);
    type(QString::fromStdString((pictures / "kept.png").string()));
    press(QStringLiteral("Return"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Saved 640x400 px png"), beforeCapture))
        << quorvane.log().toStdString();
    EXPECT_EQ(QImage(QString::fromStdString((pictures / "kept.png").string())).size(), QSize(640, 400));
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

} // namespace
} // namespace quorvane::journey
