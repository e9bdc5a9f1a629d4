// Reading the text in a part of the screen: Recognize Text/QR from the tray, its hot key and the
// File menu, a drag over another program's text, the Recognized Text window and its Copy Text, and
// closing that window while it still reads.

#include "support/WaitUntil.h"
#include "support/journey/JourneyTest.h"

namespace quorvane::journey {
namespace {

class RecognizeText : public JourneyTest {
protected:
    void SetUp() override {
        JourneyTest::SetUp();
        ASSERT_TRUE(desktop.showTextWindow(
            {QStringLiteral("Harbour Lights"), QStringLiteral("Quiet Meadow Lane")}, {60, 80, 620, 0}));
        const auto terminal = window(QStringLiteral("still-"));
        ASSERT_TRUE(terminal.has_value());
        text = terminal->geometry;
    }

    // Drags over the terminal's text once the area picker shows.
    void pickText() const {
        ASSERT_TRUE(waitForAreaPicker()) << "the area picker did not show";
        drag(text.topLeft() + QPoint(2, 2), QPoint(text.left() + 480, text.bottom() - 2), 16);
    }

    // What the window's Copy Text puts on the clipboard, letters and digits only.
    static QString copiedText(const Window& window) {
        // Another program's text first, so that an old copy is not taken for a new one.
        EXPECT_TRUE(putOnClipboard("placeholder", QStringLiteral("UTF8_STRING")));
        activate(window);
        EXPECT_TRUE(clickText(window.geometry, QStringLiteral("Copy Text")));
        QString copied;
        test::waitUntil(
            [&] { return !(copied = comparable(clipboardText())).startsWith(QLatin1String("placeholder")); },
            5000);
        return copied;
    }

    static void expectWords(const QString& copied) {
        EXPECT_TRUE(copied.contains(QLatin1String("harbourlights"))) << copied.toStdString();
        EXPECT_TRUE(copied.contains(QLatin1String("quietmeadowlane"))) << copied.toStdString();
    }

    // The terminal's client area.
    QRect text;
};

TEST_F(RecognizeText, TheWordsUnderADragComeOutOfTheRecognizedTextWindow) {
    Program quorvane;
    ASSERT_TRUE(quorvane.start());
    editor();

    // From the tray.
    qsizetype since = quorvane.mark();
    ASSERT_TRUE(chooseTrayItem(QStringLiteral("Recognize Text/QR")));
    pickText();
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("OCR applied: 2 lines"), since))
        << quorvane.log().toStdString();
    auto result = waitForWindow(QStringLiteral("^Recognized Text$"));
    ASSERT_TRUE(result.has_value()) << "the Recognized Text window did not show";
    expectWords(copiedText(*result));

    // Closed, then brought back from the editor's Window menu with the same text.
    activate(*result);
    press(QStringLiteral("ctrl+w"));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Recognized Text$")));
    ASSERT_TRUE(chooseMenuItem(editor(), QStringLiteral("Window"), QStringLiteral("Recognized Text")));
    result = waitForWindow(QStringLiteral("^Recognized Text$"));
    ASSERT_TRUE(result.has_value());
    expectWords(copiedText(*result));

    // With the File menu's Recognize Text in Area…, from that window's own menu bar.
    since = quorvane.mark();
    ASSERT_TRUE(chooseMenuItem(*result, QStringLiteral("File"), QStringLiteral("Recognize Text in Area")));
    pickText();
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("OCR applied: 2 lines"), since))
        << quorvane.log().toStdString();
    result = waitForWindow(QStringLiteral("^Recognized Text$"));
    ASSERT_TRUE(result.has_value());
    expectWords(copiedText(*result));

    // The text itself, with the keyboard in it: Edit ▸ Select All and Edit ▸ Copy are the text's.
    ASSERT_TRUE(putOnClipboard("placeholder", QStringLiteral("UTF8_STRING")));
    ASSERT_TRUE(clickText(result->geometry, QStringLiteral("harbour")));
    ASSERT_TRUE(chooseMenuItem(*result, QStringLiteral("Edit"), QStringLiteral("Select All")));
    ASSERT_TRUE(chooseMenuItem(*result, QStringLiteral("Edit"), QStringLiteral("Copy")));
    QString copied;
    test::waitUntil([&] { return !(copied = comparable(clipboardText())).startsWith(QLatin1String("placeholder")); },
                    5000);
    expectWords(copied);
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

TEST_F(RecognizeText, ClosingTheWindowWhileItReadsStopsTheReading) {
    // A screen full of small text takes seconds to read.
    QStringList page;
    for (int line = 0; line < 55; ++line)
        page << QStringLiteral(
                    "Line %1 of a long page of words that another program shows here, and more words follow")
                    .arg(line);
    ASSERT_TRUE(desktop.showTextWindow(page, {0, 0, 1900, 0}, 13));
    Program quorvane;
    ASSERT_TRUE(quorvane.start());
    editor();

    // The hot key works wherever the keyboard is; the whole screen is dragged over.
    const qsizetype since = quorvane.mark();
    press(QStringLiteral("ctrl+alt+super+o"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Hotkey triggered: recognizeArea"), since));
    ASSERT_TRUE(waitForAreaPicker());
    drag(QPoint(0, 0), QPoint(1919, 1079), 16);
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("OCR started"), since)) << quorvane.log().toStdString();
    // The window shows at once and has the keyboard: Ctrl+W closes it while it reads.
    ASSERT_TRUE(
        test::waitUntil([] { return window(QStringLiteral("^Recognized Text$")).has_value(); }, 10000));
    press(QStringLiteral("ctrl+w"));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Recognized Text$")));
    ASSERT_EQ(quorvane.countLog(QStringLiteral("OCR applied"), since), 0)
        << "the reading ended before the window closed";
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("OCR result dropped"), since))
        << quorvane.log().toStdString();
    EXPECT_EQ(quorvane.countLog(QStringLiteral("OCR applied"), since), 0);

    // Brought back, the window says so; the program goes on as before.
    ASSERT_TRUE(chooseMenuItem(editor(), QStringLiteral("Window"), QStringLiteral("Recognized Text")));
    const auto result = waitForWindow(QStringLiteral("^Recognized Text$"));
    ASSERT_TRUE(result.has_value());
    EXPECT_TRUE(test::waitUntil(
        [&] { return findText(readScreen(result->geometry), QStringLiteral("OCR cancelled.")).has_value(); }, 10000));
    EXPECT_TRUE(quorvane.isRunning());
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

} // namespace
} // namespace quorvane::journey
