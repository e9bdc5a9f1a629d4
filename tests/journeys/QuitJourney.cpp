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
    }

    // Opens a new white picture and types a text into a text box on it, left open.
    static void openAndType(Program& quorvane, const QString& text) {
        const QString path = QString::fromStdString((quorvane.folder("Pictures") / "white.png").string());
        QImage image(500, 320, QImage::Format_RGB32);
        image.fill(Qt::white);
        ASSERT_TRUE(image.save(path));
        const Window window = openImage(quorvane, path, image.size());
        press(QStringLiteral("t"));
        click(window.geometry.center() - QPoint(100, 20));
        type(text);
        ASSERT_TRUE(waitForText(window.geometry, text)) << "the text was not typed";
    }

    // The question about unexported changes, once it shows and reads so.
    static std::optional<Window> discardQuestion() {
        const auto window = question();
        if (!window || !waitForText(window->geometry, QStringLiteral("Discard unexported changes?")))
            return std::nullopt;
        return window;
    }
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
    auto asked = discardQuestion();
    ASSERT_TRUE(asked.has_value());
    EXPECT_TRUE(waitForText(asked->geometry, QStringLiteral("Quitting Quorvane discards")));
    press(QStringLiteral("Return"));
    ASSERT_TRUE(waitForNoQuestion());
    // Still there, edits and all: the same keys ask the same question again.
    activate(editor());
    press(QStringLiteral("ctrl+q"));
    ASSERT_TRUE(discardQuestion().has_value());
    EXPECT_TRUE(quorvane.isRunning());
    press(QStringLiteral("Escape"));
    ASSERT_TRUE(waitForNoQuestion());

    // The desktop asks the program to end: the same question; Discard ends it.
    const qsizetype since = quorvane.mark();
    quorvane.signal(SIGTERM);
    asked = discardQuestion();
    ASSERT_TRUE(asked.has_value());
    ASSERT_TRUE(clickText(asked->geometry, QStringLiteral("Discard")));
    EXPECT_EQ(quorvane.waitForExit(), 0) << quorvane.log().toStdString();
    EXPECT_EQ(quorvane.countLog(QStringLiteral("Launched"), since), 0);
}

// Text typed into a text box and not yet committed is an edit: Ctrl+Q and the desktop's SIGTERM
// ask about it; a second SIGTERM ends the program, saying what was discarded.
TEST_F(Quit, TextBeingTypedIsAnEditThatQuittingAsksAbout) {
    for (const bool bySignal : {false, true}) {
        Program quorvane;
        ASSERT_TRUE(quorvane.start());
        openAndType(quorvane, QStringLiteral("hello world"));
        const qsizetype since = quorvane.mark();
        if (bySignal)
            quorvane.signal(SIGTERM);
        else
            press(QStringLiteral("ctrl+q"));
        ASSERT_TRUE(discardQuestion().has_value()) << (bySignal ? "SIGTERM" : "Ctrl+Q") << " did not ask\n"
                                                   << quorvane.log().toStdString();
        if (bySignal) {
            quorvane.signal(SIGTERM);
            EXPECT_EQ(quorvane.waitForExit(), 0) << quorvane.log().toStdString();
            EXPECT_EQ(
                quorvane.countLog(QStringLiteral("Quit by signal: unexported changes were discarded"), since),
                1);
        } else {
            press(QStringLiteral("Return"));
            ASSERT_TRUE(waitForNoQuestion());
            EXPECT_TRUE(quorvane.isRunning());
            quorvane.signal(SIGTERM);
            ASSERT_TRUE(discardQuestion().has_value());
            quorvane.signal(SIGTERM);
            EXPECT_EQ(quorvane.waitForExit(), 0) << quorvane.log().toStdString();
        }
    }
}

} // namespace
} // namespace quorvane::journey
