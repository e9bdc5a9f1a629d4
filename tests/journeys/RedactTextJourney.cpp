// Hiding the words of a screenshot: Redact Text on a terminal covers every word with its box and
// leaves the rows between the lines as they were, as the copied image shows.

#include "support/UiPages.h"
#include "support/journey/JourneyTest.h"

#include <QFile>

namespace quorvane::journey {
namespace {

class RedactText : public JourneyTest {};

TEST_F(RedactText, CoversEveryWordOfATerminalAndNoRowBetweenItsLines) {
    Program quorvane;
    const QString name = QStringLiteral("terminal-dark-1x");
    const QString shot = QString::fromStdString((quorvane.folder("Pictures") / "terminal.png").string());
    ASSERT_TRUE(QFile::copy(test::uiPagePath(name, ".png"), shot));
    const auto truth = test::PageTruth::load(test::uiPagePath(name, ".txt"));
    const QImage original(shot);
    ASSERT_TRUE(truth.has_value() && !original.isNull());
    ASSERT_TRUE(quorvane.start());
    activate(editor());
    press(QStringLiteral("ctrl+o"));
    ASSERT_TRUE(waitForWindow(QStringLiteral("^Open Image$")).has_value());
    type(shot);
    press(QStringLiteral("Return"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Imported 760x440 px image")))
        << quorvane.log().toStdString();
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Open Image$")));
    settle(500);

    // Redact Text with its key, then Return once the words are found.
    activate(editor());
    const qsizetype before = quorvane.mark();
    press(QStringLiteral("ctrl+shift+r"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Recognition perform finished"), before, 60000))
        << quorvane.log().toStdString();
    settle(500);
    press(QStringLiteral("Return"));
    settle(500);
    press(QStringLiteral("ctrl+c"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Copied 760x440 px image"), before))
        << quorvane.log().toStdString();
    const QImage copied = clipboardImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(copied.size(), original.size());

    // No letter of the terminal's lines is left: every pixel of their ink is under a box. An
    // underscore read as a space stays visible between the two boxes, under the hidden letters.
    const auto differ = [](QRgb a, QRgb b) { return std::abs(qGray(a) - qGray(b)) > 60; };
    for (const auto& line : truth->lines)
        for (const auto& word : line.words) {
            const QRgb paper = original.pixel(std::max(0, word.ink.left() - 3), word.ink.center().y());
            const int bottom = word.text.contains(QLatin1Char('_'))
                                   ? word.ink.top() + word.ink.height() * 6 / 10
                                   : word.ink.bottom();
            int left = 0;
            for (int y = word.ink.top(); y <= bottom; ++y)
                for (int x = word.ink.left(); x <= word.ink.right(); ++x)
                    if (differ(original.pixel(x, y), paper) && copied.pixel(x, y) == original.pixel(x, y))
                        ++left;
            EXPECT_EQ(left, 0) << word.text.toStdString() << " is still readable";
        }
    // The middle row between two lines of the window is untouched, so no box reaches from one line
    // into the next.
    for (std::size_t i = 2; i < truth->lines.size(); ++i) {
        const QRect upper = truth->lines[i - 1].ink(), lower = truth->lines[i].ink();
        if (lower.top() - upper.bottom() < 6) continue; // lines too close for a row of their own
        const int y = (upper.bottom() + lower.top()) / 2;
        for (int x = 0; x < copied.width(); ++x)
            ASSERT_EQ(copied.pixel(x, y), original.pixel(x, y)) << "row " << y << " changed at " << x;
    }
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

} // namespace
} // namespace quorvane::journey
