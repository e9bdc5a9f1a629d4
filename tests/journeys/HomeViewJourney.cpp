// The editor window with no image open: the capture tiles with their shortcuts, the delay, and
// choosing a window to capture in the window picker.

#include "support/WaitUntil.h"
#include "support/journey/JourneyTest.h"

namespace quorvane::journey {
namespace {

class HomeView : public JourneyTest {
protected:
    void SetUp() override {
        JourneyTest::SetUp();
        ASSERT_TRUE(
            desktop.showStillWindow(QStringLiteral("A terminal of another program"), {60, 80, 520, 240}));
        ASSERT_TRUE(desktop.showStillWindow(QStringLiteral("A second window"), {1200, 500, 400, 300},
                                            QStringLiteral("lightyellow")));
    }
    // What a person reads in the window; the faint green fronds behind the tiles are no text.
    static std::vector<TextLine> read(const Window& window) {
        // A tile under the pointer is tinted: read with the pointer elsewhere.
        moveMouse({5, 1075});
        // Below the menu bar, whose Window menu is not the Window tile.
        const QRect content = window.geometry.adjusted(0, 26, 0, 0);
        return readPicture(steadyGrab(content), content.topLeft());
    }
    // What a person reads in a picture of the window whose top-left stands at `origin`.
    static std::vector<TextLine> readPicture(const QImage& picture, QPoint origin) {
        QImage image = picture.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                // The green tint goes; the grey of text drawn over it stays.
                if (qGreen(row[x]) <= qRed(row[x])) continue;
                const int m = std::min(255, std::min({qRed(row[x]), qGreen(row[x]), qBlue(row[x])}) + 24);
                row[x] = qRgb(m, m, m);
            }
        }
        return readImage(image, origin, Layout::sparse);
    }
    // The window's text that reads `text`, clicked.
    static bool clickText(const Window& window, const QString& text) {
        std::optional<TextLine> line;
        if (!test::waitUntil([&] { return (line = findText(read(window), text)).has_value(); }, 10000)) return false;
        click(line->box.center());
        return true;
    }
};

TEST_F(HomeView, TilesShowTheirKeysAndTheWindowTileCapturesAChosenWindow) {
    Program quorvane({{"postCaptureAction", "openEditor"}});
    ASSERT_TRUE(quorvane.start());
    const Window home = editor();
    activate(home);
    std::vector<TextLine> lines;
    // Read until the tiles' titles show (the home view draws itself on its first turns).
    test::waitUntil([&] { return findText(lines = read(home), QStringLiteral("Screen")).has_value(); }, 10000);
    for (const QString& key : {QStringLiteral("Ctrl+Alt+Super+4"), QStringLiteral("Ctrl+Alt+Super+3")})
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const TextLine& line) {
            return endsLike(line.text, key);
        })) << key.toStdString();
    for (const QString& title :
         {QStringLiteral("Area"), QStringLiteral("Screen"), QStringLiteral("Window"), QStringLiteral("Text")})
        EXPECT_TRUE(findText(lines, title).has_value()) << title.toStdString();

    // The Window tile opens the picker; Escape closes it and nothing is captured.
    ASSERT_TRUE(clickText(home, QStringLiteral("Window")));
    auto picker = waitForWindow(QStringLiteral("^Capture a Window$"));
    ASSERT_TRUE(picker.has_value()) << quorvane.log().toStdString();
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Capture started: Refreshing windows")));
    press(QStringLiteral("Escape"));
    EXPECT_TRUE(waitForNoWindow(QStringLiteral("^Capture a Window$")));

    // Again, and a click on the other program's window captures it alone.
    ASSERT_TRUE(clickText(editor(), QStringLiteral("Window")));
    picker = waitForWindow(QStringLiteral("^Capture a Window$"));
    ASSERT_TRUE(picker.has_value());
    std::vector<TextLine> rows;
    // The list fills once the windows are listed.
    test::waitUntil(
        [&] { return findText(rows = readScreen(picker->geometry, Layout::sparse), QStringLiteral("still-2")).has_value(); },
        10000);
    EXPECT_TRUE(findText(rows, QStringLiteral("Quorvane's own windows are never captured.")).has_value());
    const auto row = findText(rows, QStringLiteral("still-2"));
    ASSERT_TRUE(row.has_value()) << quorvane.log().toStdString();
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](const TextLine& line) {
        return readsLike(QStringLiteral("400 × 300"), line.text);
    }));
    // Named by its program's window class, although it names no process.
    EXPECT_TRUE(findText(rows, QStringLiteral("Xmessage")).has_value());
    const qsizetype mark = quorvane.mark();
    click(row->box.center());
    EXPECT_TRUE(waitForNoWindow(QStringLiteral("^Capture a Window$")));
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Capture succeeded: 400x300 px"), mark))
        << quorvane.log().toStdString();
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

TEST_F(HomeView, ThreeSecondsOfDelayHoldTheScreenTileBack) {
    Program quorvane({{"postCaptureAction", "openEditor"}});
    ASSERT_TRUE(quorvane.start());
    const Window home = editor();
    activate(home);
    ASSERT_TRUE(clickText(home, QStringLiteral("3 s")));
    const qsizetype since = quorvane.mark();
    ASSERT_TRUE(clickText(home, QStringLiteral("Screen")));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Capture succeeded"), since)) << quorvane.log().toStdString();
    // Timed by the program's own log: on a busy machine the click itself can take long to arrive.
    const auto started = quorvane.loggedAt(QStringLiteral("Capture started: Capturing display"), since);
    const auto succeeded = quorvane.loggedAt(QStringLiteral("Capture succeeded"), since);
    ASSERT_EQ(started.size(), 1u) << quorvane.log().toStdString();
    ASSERT_EQ(succeeded.size(), 1u);
    EXPECT_GE(started[0].msecsTo(succeeded[0]), 2900) << quorvane.log().toStdString();
    EXPECT_EQ(quorvane.terminate(), 0);
}

// A delayed capture of the screen (its hot key) while the editor shows: the editor is in the
// picture as it is once counting has ended, without the "Capturing in 1…" toast and its Cancel.
TEST_F(HomeView, ADelayedCaptureLeavesItsOwnCountdownOutOfThePicture) {
    Program quorvane({{"postCaptureAction", "saveToFolder"}});
    ASSERT_TRUE(quorvane.start());
    const Window home = editor();
    activate(home);
    ASSERT_TRUE(clickText(home, QStringLiteral("3 s")));
    press(QStringLiteral("ctrl+alt+super+3"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Hotkey triggered: captureScreen")));
    ASSERT_TRUE(quorvane.waitForSavedImages(1)) << quorvane.log().toStdString();
    const QImage saved(quorvane.savedImages().front());
    ASSERT_FALSE(saved.isNull());
    const QRect content = home.geometry.adjusted(0, 26, 0, 0);
    const auto lines = readPicture(saved.copy(content), content.topLeft());
    EXPECT_TRUE(findText(lines, QStringLiteral("Screen")).has_value()) << "the editor is not in the picture";
    for (const TextLine& line : lines) {
        EXPECT_FALSE(line.text.contains(QStringLiteral("Capturing"))) << line.text.toStdString();
        EXPECT_FALSE(line.text.contains(QStringLiteral("Cancel"))) << line.text.toStdString();
    }
    EXPECT_EQ(quorvane.terminate(), 0);
}

} // namespace
} // namespace quorvane::journey
