// Quitting: at once when nothing would be lost, one question when edits were neither copied nor
// saved, Cancel keeps everything; the desktop's SIGTERM takes the same way.

#include "support/journey/JourneyTest.h"

#include <QPainter>
#include <csignal>

namespace quorvane::journey {
namespace {

class Quit : public JourneyTest {
protected:
    // Opens a new picture and draws a rectangle on it: an unexported change.
    static void openAndDraw(Program& quorvane, const QString& name, QColor color) {
        const QString path = QString::fromStdString((quorvane.folder("Pictures") / name.toStdString()).string());
        QImage image(500, 320, QImage::Format_RGB32);
        image.fill(color);
        ASSERT_TRUE(image.save(path));
        const Window window = openImage(quorvane, path, image.size());
        press(QStringLiteral("r"));
        drag(window.geometry.center() - QPoint(50, 30), window.geometry.center() + QPoint(50, 30));
        settle();
    }

    static std::optional<Window> question() { return waitForWindow(QStringLiteral("Quorvane|Discard"), 5000); }
};

TEST_F(Quit, NothingToLoseQuitsAtOnceAndUnexportedEditsAskOnce) {
    {
        // A fresh capture, never edited: Ctrl+Q quits without a word.
        Program quorvane;
        ASSERT_TRUE(quorvane.start());
        // The hot keys are there once the program shows its window.
        editor();
        press(QStringLiteral("ctrl+alt+super+3"));
        ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Post-capture action: openEditor")));
        settle(600);
        activate(editor());
        press(QStringLiteral("ctrl+q"));
        EXPECT_EQ(quorvane.waitForExit(), 0) << quorvane.log().toStdString();
    }
    Program quorvane;
    ASSERT_TRUE(quorvane.start());
    openAndDraw(quorvane, QStringLiteral("first.png"), QColor(120, 180, 240));
    openAndDraw(quorvane, QStringLiteral("second.png"), QColor(240, 200, 120));

    // Both documents hold edits: one question, and Return picks Cancel.
    activate(editor());
    press(QStringLiteral("ctrl+q"));
    settle(800);
    std::vector<TextLine> lines = readScreen(grab().rect(), Layout::sparse);
    ASSERT_TRUE(findText(lines, QStringLiteral("Discard unexported changes?")).has_value());
    EXPECT_TRUE(findText(lines, QStringLiteral("Quitting Quorvane discards")).has_value());
    press(QStringLiteral("Return"));
    settle(800);
    EXPECT_TRUE(quorvane.isRunning());
    EXPECT_TRUE(waitForWindow(QStringLiteral("^Quorvane$")).has_value());

    // The desktop asks the program to end: the same question; Discard ends it.
    const qsizetype since = quorvane.mark();
    quorvane.signal(SIGTERM);
    settle(1000);
    lines = readScreen(grab().rect(), Layout::sparse);
    ASSERT_TRUE(findText(lines, QStringLiteral("Discard unexported changes?")).has_value());
    ASSERT_TRUE(clickText(grab().rect(), QStringLiteral("Discard")));
    EXPECT_EQ(quorvane.waitForExit(), 0) << quorvane.log().toStdString();
    EXPECT_EQ(quorvane.countLog(QStringLiteral("Launched"), since), 0);
}

} // namespace
} // namespace quorvane::journey
