// Capturing the screen and keeping it: hot keys, the tray menu and the File menu, each post-capture
// action, saving, the save folder.

#include "support/ImageCompare.h"
#include "support/journey/JourneyTest.h"

#include <QJsonObject>

namespace quorvane::journey {
namespace {

class CaptureAndSave : public JourneyTest {
protected:
    void SetUp() override {
        JourneyTest::SetUp();
        ASSERT_TRUE(desktop.showStillWindow(QStringLiteral("A terminal of another program"), {60, 80, 520, 240}));
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
    settle(500);

    const QImage screen = grab();
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
    EXPECT_TRUE(endsLike(captureScreen->text, QStringLiteral("Ctrl+Alt+Super+3"))) << captureScreen->text.toStdString();
    const auto captureArea = findItem(items, QStringLiteral("Capture Area"));
    ASSERT_TRUE(captureArea.has_value());
    EXPECT_TRUE(endsLike(captureArea->text, QStringLiteral("Ctrl+Alt+Super+4"))) << captureArea->text.toStdString();
    closeMenus();
    ASSERT_TRUE(chooseTrayItem(QStringLiteral("Capture Screen")));
    EXPECT_TRUE(quorvane.waitForSavedImages(2)) << quorvane.log().toStdString();
    EXPECT_EQ(quorvane.terminate(), 0);
}

} // namespace
} // namespace quorvane::journey
