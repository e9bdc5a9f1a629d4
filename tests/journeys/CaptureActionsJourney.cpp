// What happens after a capture: each post-capture action, started from the tray, a hot key or the
// File menu; area captures with a drag, and Repeat Area taking the same rectangle of the screen as
// it is now.

#include "support/ImageCompare.h"
#include "support/WaitUntil.h"
#include "support/journey/JourneyTest.h"

namespace quorvane::journey {
namespace {

// Where the other programs' windows stand: left of the middle, where the editor never opens.
const QRect terminal(60, 80, 520, 240);
const QRect notes(80, 420, 500, 260);
// What they show inside the window manager's frames, whose colours follow the keyboard focus.
const QRect terminalText = terminal.adjusted(6, 30, -6, -6);
const QRect notesText = notes.adjusted(6, 30, -6, -6);

class CaptureActions : public JourneyTest {
protected:
    void SetUp() override {
        JourneyTest::SetUp();
        ASSERT_TRUE(desktop.showStillWindow(QStringLiteral("A terminal of another program"), terminal));
        ASSERT_TRUE(desktop.showStillWindow(QStringLiteral("Notes of another program"), notes,
                                            QStringLiteral("lightyellow")));
    }

    // Whether `captured` shows the screen `screen` in `area` (both the whole screen).
    static ::testing::AssertionResult showsArea(const QImage& captured, const QImage& screen,
                                                const QRect& area) {
        if (captured.size() != screen.size())
            return ::testing::AssertionFailure()
                   << "captured " << captured.width() << "x" << captured.height();
        return test::imagesNear(captured.copy(area).convertToFormat(QImage::Format_RGB32),
                                screen.copy(area).convertToFormat(QImage::Format_RGB32), 0);
    }

    // Closes the editor that start-up shows, as a person does who captures the desktop alone;
    // the screen once the windows it covered have drawn themselves again.
    static QImage closeEditor() {
        activate(editor());
        press(QStringLiteral("ctrl+w"));
        EXPECT_TRUE(waitForNoWindow(QStringLiteral("^Quorvane$")));
        return steadyGrab();
    }

    // Drags out `area` in the area picker once it shows.
    static void pickArea(const QRect& area) {
        ASSERT_TRUE(waitForAreaPicker()) << "the area picker did not show";
        drag(area.topLeft(), area.topLeft() + QPoint(area.width(), area.height()), 16);
    }

    // Starts an area capture with `start` and drags out `area`: whether it succeeds and the
    // editor then holds exactly that part of the screen as it was.
    static ::testing::AssertionResult capturesArea(Program& quorvane, const std::function<bool()>& start,
                                                   const QRect& area) {
        const QImage screen = grab();
        const qsizetype since = quorvane.mark();
        if (!start()) return ::testing::AssertionFailure() << "the capture did not start";
        pickArea(area);
        if (!quorvane.waitForLog(
                QStringLiteral("Capture succeeded: %1x%2 px").arg(area.width()).arg(area.height()), since) ||
            !quorvane.waitForLog(QStringLiteral("Post-capture action"), since))
            return ::testing::AssertionFailure() << quorvane.log().toStdString();
        return test::imagesNear(copied(quorvane), screen.copy(area).convertToFormat(QImage::Format_RGB32), 0);
    }

    static bool enabled(const std::vector<MenuItem>& items, const QString& title) {
        return findItem(items, title).value_or(MenuItem{}).enabled;
    }
};

TEST_F(CaptureActions, CopyActionsPutTheScreenOnTheClipboard) {
    {
        // Copy to the clipboard: the screen as it is, and no editor.
        Program quorvane({{"postCaptureAction", "copyToClipboard"}});
        ASSERT_TRUE(quorvane.start());
        const QImage screen = closeEditor();
        ASSERT_TRUE(chooseTrayItem(QStringLiteral("Capture Screen")));
        ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Post-capture action: copyToClipboard")))
            << quorvane.log().toStdString();
        ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Copied 1920x1080 px image")));
        EXPECT_TRUE(clipboardTargets().contains(QStringLiteral("image/png")));
        EXPECT_TRUE(test::imagesNear(clipboardImage().convertToFormat(QImage::Format_RGB32),
                                     screen.convertToFormat(QImage::Format_RGB32), 0));
        // The tray icon's tool tip tells what happened.
        const auto icon = trayIcon();
        ASSERT_TRUE(icon.has_value());
        moveMouse(icon->center());
        std::optional<QRect> tip;
        ASSERT_TRUE(test::waitUntil([&] { return (tip = toolTip()).has_value(); }, 5000)) << "no tool tip";
        EXPECT_TRUE(waitForText(*tip, QStringLiteral("Quorvane: Copied final image.")));
        // By now an editor the capture had opened would show.
        EXPECT_FALSE(window(QStringLiteral("^Quorvane$")).has_value()) << "the editor opened";
        // Nothing to lose: the tray's Quit Quorvane ends it at once.
        ASSERT_TRUE(chooseTrayItem(QStringLiteral("Quit Quorvane")));
        EXPECT_EQ(quorvane.waitForExit(), 0) << quorvane.log().toStdString();
    }
    // Copy and open the editor: the same copy, and the editor shows the capture.
    Program quorvane({{"postCaptureAction", "copyAndOpenEditor"}});
    ASSERT_TRUE(quorvane.start());
    const QImage screen = closeEditor();
    press(QStringLiteral("ctrl+alt+super+3"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Post-capture action: copyAndOpenEditor")))
        << quorvane.log().toStdString();
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Copied 1920x1080 px image")));
    EXPECT_TRUE(showsArea(clipboardImage(), screen, terminalText));
    EXPECT_TRUE(showsArea(clipboardImage(), screen, notesText));
    EXPECT_TRUE(waitForWindow(QStringLiteral("^Quorvane$")).has_value()) << "the editor did not open";
    EXPECT_TRUE(showsArea(copied(quorvane), screen, terminalText)) << "the editor holds another image";
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

TEST_F(CaptureActions, OpenAndSaveActionsFromTheFileMenu) {
    {
        // Open the editor (the default): File ▸ Capture Screen shows the capture in the editor.
        Program quorvane;
        ASSERT_TRUE(quorvane.start());
        const QImage screen = grab();
        ASSERT_TRUE(chooseMenuItem(editor(), QStringLiteral("File"), QStringLiteral("Capture Screen")));
        ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Post-capture action: openEditor")))
            << quorvane.log().toStdString();
        EXPECT_TRUE(showsArea(copied(quorvane), screen, terminalText));
        EXPECT_TRUE(quorvane.savedImages().isEmpty());
        ASSERT_TRUE(chooseMenuItem(editor(), QStringLiteral("Quorvane"), QStringLiteral("Quit Quorvane")));
        EXPECT_EQ(quorvane.waitForExit(), 0) << quorvane.log().toStdString();
    }
    // Save to the folder: a new PNG of the screen in Pictures; the editor stays as it was.
    Program quorvane({{"postCaptureAction", "saveToFolder"}});
    ASSERT_TRUE(quorvane.start());
    const QImage screen = grab();
    ASSERT_TRUE(chooseMenuItem(editor(), QStringLiteral("File"), QStringLiteral("Capture Screen")));
    ASSERT_TRUE(quorvane.waitForSavedImages(1)) << quorvane.log().toStdString();
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Post-capture action: saveToFolder")));
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Saved 1920x1080 px png")));
    const QString saved = quorvane.savedImages().front();
    EXPECT_TRUE(saved.endsWith(QStringLiteral(".png")));
    EXPECT_TRUE(showsArea(QImage(saved), screen, terminalText));
    EXPECT_TRUE(showsArea(QImage(saved), screen, notesText));
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

TEST_F(CaptureActions, AreaCapturesAndRepeatAreaTakeTheSameRectangleOfTheScreenAsItIsNow) {
    Program quorvane;
    ASSERT_TRUE(quorvane.start());
    Window window = editor();

    // Before any area was captured, its hot key does nothing and Repeat Area is offered nowhere
    // (the menus open after the key was handled: a capture it started would be logged by then).
    qsizetype since = quorvane.mark();
    activate(window);
    press(QStringLiteral("ctrl+alt+super+r"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Hotkey triggered: repeatArea"), since));
    EXPECT_FALSE(enabled(openMenu(window, QStringLiteral("File")), QStringLiteral("Repeat Area")));
    closeMenus();
    EXPECT_FALSE(enabled(openTrayMenu(), QStringLiteral("Repeat Area")));
    closeMenus();
    EXPECT_EQ(quorvane.countLog(QStringLiteral("Capture started"), since), 0);

    // File ▸ Capture Area…, a drag over the terminal: the editor shows exactly that rectangle.
    const QRect area(100, 120, 400, 180);
    ASSERT_TRUE(capturesArea(
        quorvane,
        [&] { return chooseMenuItem(window, QStringLiteral("File"), QStringLiteral("Capture Area")); },
        area));

    // Now Repeat Area is offered in the File menu and the tray.
    window = editor();
    EXPECT_TRUE(enabled(openMenu(window, QStringLiteral("File")), QStringLiteral("Repeat Area")));
    closeMenus();
    EXPECT_TRUE(enabled(openTrayMenu(), QStringLiteral("Repeat Area")));
    closeMenus();

    // Each way of repeating captures the same rectangle of what the screen shows now: another
    // program's window came up over it in between.
    const auto repeatShows = [&](const QString& how, const std::function<void()>& repeat) {
        const qsizetype before = quorvane.mark();
        const QImage now = grab();
        repeat();
        ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Capture started: Repeating area capture"), before))
            << how.toStdString();
        ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Capture succeeded: 400x180 px"), before))
            << how.toStdString();
        ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Post-capture action"), before)) << how.toStdString();
        EXPECT_TRUE(
            test::imagesNear(copied(quorvane), now.copy(area).convertToFormat(QImage::Format_RGB32), 0))
            << how.toStdString();
    };
    const QRect over(80, 90, 460, 260);
    ASSERT_TRUE(desktop.showStillWindow(QStringLiteral("A dialog that came later"), over,
                                        QStringLiteral("lightblue")));
    repeatShows(QStringLiteral("tray"), [] { ASSERT_TRUE(chooseTrayItem(QStringLiteral("Repeat Area"))); });
    ASSERT_TRUE(desktop.showStillWindow(QStringLiteral("Another message"), over, QStringLiteral("pink")));
    // The hot key works wherever the keyboard is.
    activate(*journey::window(QStringLiteral("still-")));
    repeatShows(QStringLiteral("hot key"), [] { press(QStringLiteral("ctrl+alt+super+r")); });
    ASSERT_TRUE(desktop.showStillWindow(QStringLiteral("A third one"), over, QStringLiteral("lightgreen")));
    repeatShows(QStringLiteral("File menu"), [] {
        ASSERT_TRUE(chooseMenuItem(editor(), QStringLiteral("File"), QStringLiteral("Repeat Area")));
    });

    // The tray's Capture Area picks a new rectangle, which Repeat Area then takes.
    const QRect other(120, 450, 300, 160);
    ASSERT_TRUE(capturesArea(
        quorvane, [] { return chooseTrayItem(QStringLiteral("Capture Area")); }, other));
    since = quorvane.mark();
    press(QStringLiteral("ctrl+alt+super+r"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Capture succeeded: 300x160 px"), since));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Post-capture action"), since));

    // File ▸ Add Area Capture to Image… puts a new rectangle of the screen on top, in the middle.
    const QImage document = copied(quorvane);
    const QRect small(140, 470, 100, 60);
    const QImage screen = grab();
    ASSERT_TRUE(
        chooseMenuItem(editor(), QStringLiteral("File"), QStringLiteral("Add Area Capture to Image")));
    pickArea(small);
    ASSERT_TRUE(test::waitUntil([] { return !isAreaPickerOpen(); }, 10000));
    // The rectangle lands once the displays are checked again: copy until the picture shows it.
    const QRect middle(100, 50, 100, 60);
    const QImage expected = screen.copy(small).convertToFormat(QImage::Format_RGB32);
    QImage combined;
    test::waitUntil([&] { return test::imagesNear((combined = copied(quorvane)).copy(middle), expected, 0); }, 10000);
    ASSERT_EQ(combined.size(), document.size());
    EXPECT_TRUE(test::imagesNear(combined.copy(middle), expected, 0));
    EXPECT_TRUE(test::imagesNear(combined.copy(0, 0, 100, 160), document.copy(0, 0, 100, 160), 0));
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

} // namespace
} // namespace quorvane::journey
