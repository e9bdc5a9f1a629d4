// Hiding the text in a picture: Redact Text finds the words, the review bar offers them, Redact
// covers them with solid black that Copy takes along, Undo brings them back; nothing is saved while
// the review is open, and Escape leaves it without a change. On a terminal every word is covered
// and no box reaches into the line above or below.

#include "support/ImageCompare.h"
#include "support/TextImages.h"
#include "support/UiPages.h"
#include "support/WaitUntil.h"
#include "support/journey/JourneyTest.h"

namespace quorvane::journey {
namespace {

class RedactText : public JourneyTest {
protected:
    // The review bar sits in the editor's status bar.
    static QRect statusBar() {
        const Window window = editor();
        return {window.geometry.left(), window.geometry.bottom() - 40, window.geometry.width(), 41};
    }

    // Whether the bar offers its Redact button (the words were found).
    static bool offersRedact() {
        const QImage bar = grab(statusBar());
        // Read twice: the button may carry the keyboard's blue frame, which hides it from one reading.
        for (const bool darkOnly : {false, true})
            for (const TextLine& word : words(bar, statusBar().topLeft(), Layout::sparse, darkOnly))
                if (comparable(word.text) == QLatin1String("redact")) return true;
        return false;
    }
    static bool reviewShows() { return test::waitUntil(offersRedact, 15000); }
    static bool reviewEnds() {
        return test::waitUntil([] { return !offersRedact(); }, 5000);
    }

    // Two lines of dark blue words on white.
    QImage picture() {
        QImage note(800, 500, QImage::Format_RGB32);
        note.fill(Qt::white);
        const QColor ink(20, 40, 150);
        lines = {test::drawText(note, QStringLiteral("Meet at the harbour"), {60, 80}, 40, false, ink),
                 test::drawText(note, QStringLiteral("Password swordfish"), {60, 220}, 40, false, ink)};
        return note;
    }

    static bool saveOffered(const Window& window) {
        const auto items = openMenu(window, QStringLiteral("File"));
        closeMenus();
        return findItem(items, QStringLiteral("Save Image")).value_or(MenuItem{}).enabled ||
               findItem(items, QStringLiteral("Save Image As")).value_or(MenuItem{}).enabled;
    }

    // Where the words stand.
    std::vector<QRect> lines;
};

TEST_F(RedactText, RedactCoversTheWordsInBlackAndUndoBringsThemBack) {
    Program quorvane;
    const QImage note = picture();
    const QString path = placePicture(quorvane, note, "note.png");
    ASSERT_TRUE(quorvane.start());
    openImage(quorvane, path, note.size());

    // Ctrl+Shift+R opens the review; Escape leaves it without a change.
    press(QStringLiteral("ctrl+shift+r"));
    ASSERT_TRUE(reviewShows()) << "the review bar did not show";
    press(QStringLiteral("Escape"));
    ASSERT_TRUE(reviewEnds()) << "Escape did not leave the review";
    EXPECT_TRUE(test::imagesNear(copied(quorvane), note, 0));

    // Edit ▸ Redact Text…: the review bar, and no saving while it is open.
    ASSERT_TRUE(chooseMenuItem(editor(), QStringLiteral("Edit"), QStringLiteral("Redact Text")));
    ASSERT_TRUE(reviewShows());
    EXPECT_FALSE(saveOffered(editor())) << "Save is offered while the review is open";
    activate(editor());
    press(QStringLiteral("ctrl+s"));

    // Redact: every stroke of the words is solid black in the copy; the rest is untouched.
    ASSERT_TRUE(clickText(statusBar(), QStringLiteral("Redact")));
    ASSERT_TRUE(reviewEnds());
    EXPECT_TRUE(saveOffered(editor()));
    const QImage redacted = copied(quorvane);
    // Ctrl+S came long before this copy: a save it started would be there by now.
    EXPECT_TRUE(quorvane.savedImages().isEmpty()) << "saved while the review was open";
    EXPECT_EQ(quorvane.countLog(QStringLiteral("Saved ")), 0);
    ASSERT_EQ(redacted.size(), note.size());
    int strokes = 0, covered = 0;
    for (const QRect& line : lines)
        for (int y = line.top(); y <= line.bottom(); ++y)
            for (int x = line.left(); x <= line.right(); ++x)
                if (qGray(note.pixel(x, y)) < 90) {
                    ++strokes;
                    covered += redacted.pixel(x, y) == qRgb(0, 0, 0);
                }
    ASSERT_GT(strokes, 1000);
    EXPECT_GE(covered, strokes * 995 / 1000) << covered << " of " << strokes << " ink pixels are black";
    const QRect blank(0, 320, 800, 180);
    EXPECT_TRUE(test::imagesNear(redacted.copy(blank), note.copy(blank), 0))
        << "redacted where there is no text";

    // Undo brings the words back at once.
    press(QStringLiteral("ctrl+z"));
    EXPECT_TRUE(test::imagesNear(copied(quorvane), note, 0));
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

TEST_F(RedactText, EscapeLeavesTheReviewAfterAMenuWasLookedAt) {
    Program quorvane;
    const QImage note = picture();
    const QString path = placePicture(quorvane, note, "note.png");
    ASSERT_TRUE(quorvane.start());
    const Window window = openImage(quorvane, path, note.size());
    EXPECT_TRUE(saveOffered(window));
    press(QStringLiteral("ctrl+shift+r"));
    ASSERT_TRUE(reviewShows());
    press(QStringLiteral("Escape"));
    EXPECT_TRUE(reviewEnds()) << "Escape did not leave the review";
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

// The review by keys alone: Escape on a tool button ends it; Shift+Tab reaches the review bar,
// whose options open on Down, and whose Redact covers the words on Return.
TEST_F(RedactText, TheReviewBarWorksByKeysAlone) {
    Program quorvane;
    const QImage note = picture();
    const QString path = placePicture(quorvane, note, "note.png");
    ASSERT_TRUE(quorvane.start());
    openImage(quorvane, path, note.size());

    press(QStringLiteral("ctrl+shift+r"));
    ASSERT_TRUE(reviewShows());
    press(QStringLiteral("Tab")); // from the canvas to the first tool
    press(QStringLiteral("Escape"));
    ASSERT_TRUE(reviewEnds()) << "Escape on a tool button did not end the review";

    // Back from that tool: the canvas, Recognize Text, Backdrop, Redact, Cancel, the options.
    press(QStringLiteral("ctrl+shift+r"));
    ASSERT_TRUE(reviewShows());
    for (int presses = 0; presses < 6; ++presses)
        press(QStringLiteral("shift+Tab"));
    press(QStringLiteral("Down"));
    ASSERT_TRUE(test::waitUntil([] { return isMenuOpen(); }, 5000)) << "Down opened no menu";
    std::vector<MenuItem> items;
    test::waitUntil(
        [&] { return findItem(items = openMenuItems(), QStringLiteral("Keep All Visible")).has_value(); },
        10000);
    EXPECT_TRUE(findItem(items, QStringLiteral("Keep All Visible")).has_value()) << "not the options";
    press(QStringLiteral("Escape"));
    ASSERT_TRUE(test::waitUntil([] { return !isMenuOpen(); }, 5000));
    // Read until the bar shows again where the menu stood over it.
    EXPECT_TRUE(reviewShows()) << "the menu's Escape ended the review";
    press(QStringLiteral("Tab"));
    press(QStringLiteral("Tab"));
    press(QStringLiteral("Return"));
    ASSERT_TRUE(reviewEnds()) << "Return on Redact did not apply the review";
    const QImage redacted = copied(quorvane);
    ASSERT_EQ(redacted.size(), note.size());
    EXPECT_EQ(redacted.pixel(lines[0].center()), qRgb(0, 0, 0)) << "the first line is not covered";
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

TEST_F(RedactText, CoversEveryWordOfATerminalAndNoRowBetweenItsLines) {
    Program quorvane;
    const QString name = QStringLiteral("terminal-dark-1x");
    const auto truth = test::PageTruth::load(test::uiPagePath(name, ".txt"));
    const QImage original = QImage(test::uiPagePath(name, ".png")).convertToFormat(QImage::Format_RGB32);
    ASSERT_TRUE(truth.has_value() && !original.isNull());
    const QString path = placePicture(quorvane, original, "terminal.png");
    ASSERT_TRUE(quorvane.start());
    openImage(quorvane, path, original.size());

    // Redact Text with its key, then Return once the words are found.
    press(QStringLiteral("ctrl+shift+r"));
    ASSERT_TRUE(reviewShows()) << "the review bar did not show";
    press(QStringLiteral("Return"));
    ASSERT_TRUE(reviewEnds());
    const QImage redacted = copied(quorvane);
    ASSERT_EQ(redacted.size(), original.size());

    // No letter of the terminal's lines is left: every pixel of their ink is under a box. An
    // underscore read as a space stays visible between the two boxes, under the hidden letters.
    const auto differ = [](QRgb a, QRgb b) { return std::abs(qGray(a) - qGray(b)) > 60; };
    for (const auto& line : truth->lines)
        for (const auto& word : line.words) {
            const QRgb paper = original.pixel(std::max(0, word.ink.left() - 3), word.ink.center().y());
            const int bottom = word.text.contains(QLatin1Char('_')) ? word.ink.top() + word.ink.height() * 6 / 10
                                                                   : word.ink.bottom();
            int left = 0;
            for (int y = word.ink.top(); y <= bottom; ++y)
                for (int x = word.ink.left(); x <= word.ink.right(); ++x)
                    if (differ(original.pixel(x, y), paper) && redacted.pixel(x, y) == original.pixel(x, y)) ++left;
            EXPECT_EQ(left, 0) << word.text.toStdString() << " is still readable";
        }
    // The middle row between two lines of the window is untouched, so no box reaches from one line
    // into the next.
    for (std::size_t i = 2; i < truth->lines.size(); ++i) {
        const QRect upper = truth->lines[i - 1].ink(), lower = truth->lines[i].ink();
        if (lower.top() - upper.bottom() < 6) continue; // lines too close for a row of their own
        const int y = (upper.bottom() + lower.top()) / 2;
        for (int x = 0; x < redacted.width(); ++x)
            ASSERT_EQ(redacted.pixel(x, y), original.pixel(x, y)) << "row " << y << " changed at " << x;
    }
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

} // namespace
} // namespace quorvane::journey
