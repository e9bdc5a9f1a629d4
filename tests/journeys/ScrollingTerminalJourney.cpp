// Scrolling captures of a real terminal: xterm in DejaVu Sans Mono 11, where a wheel click moves
// five lines (95 pixels), not the distance other programs move. Its text is scrolled by Auto ↓ at
// Fast speed, by a drag held at the screen's bottom edge, and by the wheel one click at a time
// over short numbered lines in a wide region. Each capture holds the whole text once: the region's
// height plus every line that scrolled into it.

#include "support/WaitUntil.h"
#include "support/XvfbServer.h"
#include "support/Xdotool.h"
#include "support/journey/JourneyTest.h"

#include <QElapsedTimer>
#include <iostream>
#include <QProcess>
#include <QRegularExpression>

namespace quorvane::journey {
namespace {

// The terminal's 16 rows of 19-pixel lines between borders of 2 pixels.
constexpr int terminalRows = 16;
constexpr int border = 2;

// An xterm of 80 × 16 characters placed by `position` (X geometry, e.g. "+100+200"), showing
// `lines` with no cursor and nothing drawn after them.
struct Terminal {
    QProcess process;
    Window window;
    int lineCount = 0;

    ~Terminal() {
        process.kill();
        process.waitForFinished();
    }
    bool start(const QStringList& lines, const QString& position) {
        lineCount = static_cast<int>(lines.size());
        static int made = 0;
        const QString title = QStringLiteral("terminal-%1").arg(++made);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), test::x11Server().display());
        process.setProcessEnvironment(environment);
        // The lines without a newline after the last: the cursor stays on it.
        const QString script =
            QStringLiteral("printf '\\033[?25l%s' \"$1\"; shift; printf '\\r\\n%s' \"$@\"; exec sleep 100000");
        process.start(QStringLiteral("xterm"),
                      QStringList{"-title", title, "-fa", "DejaVu Sans Mono", "-fs", "11", "-bg", "white",
                                  "-fg", "black", "-xrm", "XTerm*saveLines: 4000", "-geometry",
                                  QStringLiteral("80x%1%2").arg(terminalRows).arg(position), "-e", "sh", "-c",
                                  script, "sh"} +
                          lines);
        const auto shown = waitForWindow(QStringLiteral("^%1$").arg(title));
        if (!shown) return false;
        window = *shown;
        return true;
    }
    int lineHeight() const { return (window.geometry.height() - 2 * border) / terminalRows; }
    // Pixels the text moves from its first line at the top to its last line at the bottom.
    int scrollDistance() const { return (lineCount - terminalRows) * lineHeight(); }
    // Wheel up until the first line shows at the top, as a person scrolls back.
    bool scrollToTop(const QString& firstLine) {
        moveMouse(window.geometry.center());
        test::xdotool(QStringLiteral("click --repeat %1 --delay 5 4").arg(lineCount / 5 + 2));
        const QRect top(window.geometry.topLeft(), QSize(window.geometry.width(), 2 * lineHeight() + border));
        return test::waitUntil([&] { return findText(readScreen(top), firstLine).has_value(); }, 20000);
    }
};

// "Scrolling capture: W×H px, partial …" as the program logs a finished capture.
struct Stitched {
    QSize size;
    bool partial = true;
};

std::optional<Stitched> lastStitched(Program& quorvane) {
    static const QRegularExpression line(QStringLiteral("Scrolling capture: (\\d+)x(\\d+) px, partial (\\w+)"));
    std::optional<Stitched> found;
    for (auto it = line.globalMatch(quorvane.log()); it.hasNext();) {
        const auto match = it.next();
        found = Stitched{QSize(match.captured(1).toInt(), match.captured(2).toInt()),
                         match.captured(3) != QLatin1String("false")};
    }
    return found;
}

// The panel's "N frames · H px": the stitched height so far.
std::optional<int> panelHeight(const QRect& panel) {
    static const QRegularExpression counts(QStringLiteral("(\\d+)\\s*frames?\\W+(\\d+)\\s*px"));
    // A panel that looks as it did reads as it did: a reading costs a second or more on a busy
    // machine, and a hundred clicks each wait for the panel to change.
    static QImage lastShot;
    static std::optional<int> lastHeight;
    const QImage shot = grab(panel);
    if (shot == lastShot) return lastHeight;
    lastShot = shot;
    lastHeight.reset();
    for (const TextLine& line :
         readImage(shot.scaled(shot.size() * 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation))) {
        const auto match = counts.match(line.text);
        if (match.hasMatch()) return lastHeight = match.captured(2).toInt();
    }
    return std::nullopt;
}

QStringList numberedLines(int count) {
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("%1 The line number %2 says %3")
                     .arg(i, 4, 10, QLatin1Char('0'))
                     .arg(i)
                     .arg(QString::number(std::uint64_t(i) * 2654435761u % 4294967291u, 16));
    return lines;
}

class ScrollingTerminal : public JourneyTest {
protected:
    // The program with the editor closed, out of the terminal's way.
    void startProgram(Program& quorvane) {
        ASSERT_TRUE(quorvane.start());
        activate(editor());
        press(QStringLiteral("ctrl+w"));
        ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Quorvane$")));
    }
    // The hot key; the drag selection waits for the mouse.
    static void startSelection(Program& quorvane) {
        const qsizetype since = quorvane.mark();
        press(QStringLiteral("ctrl+alt+super+l"));
        ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Drag scroll selection started"), since))
            << quorvane.log().toStdString();
    }
    // The region dragged out over all of the terminal, and the panel once it shows.
    static Window selectTerminal(Program& quorvane, const Terminal& terminal) {
        startSelection(quorvane);
        const QRect r = terminal.window.geometry;
        drag(r.topLeft(), r.topLeft() + QPoint(r.width(), r.height()));
        const auto panel = waitForWindow(QStringLiteral("^Scrolling Capture$"));
        EXPECT_TRUE(panel.has_value()) << quorvane.log().toStdString();
        return panel.value_or(Window{});
    }
    // Auto ↓, the first of the panel's two Auto buttons, once it shows.
    static bool clickAutoDown(const Window& panel) {
        std::optional<QRect> autoDown;
        const bool found = test::waitUntil([&] {
            // The panel's small type reads better enlarged.
            const QImage shot = grab(panel.geometry);
            for (const TextLine& word : words(shot.scaled(shot.size() * 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                                              QPoint(), Layout::sparse, true)) {
                const QRect box(panel.geometry.topLeft() + word.box.topLeft() / 2, word.box.size() / 2);
                if (readsLike(QStringLiteral("Auto"), word.text) && (!autoDown || box.x() < autoDown->x()))
                    autoDown = box;
            }
            return autoDown.has_value();
        });
        if (found) click(autoDown->center());
        return found;
    }
    // The capture ended complete and holds the whole text, within one line; both heights shown.
    static void expectWholeText(Program& quorvane, const std::optional<Stitched>& stitched, int expected,
                                const Terminal& terminal, const char* how) {
        ASSERT_TRUE(stitched.has_value()) << quorvane.log().toStdString();
        EXPECT_FALSE(stitched->partial) << quorvane.log().toStdString();
        std::cout << how << ": stitched " << stitched->size.height() << " px, content " << expected << " px\n";
        EXPECT_NEAR(stitched->size.height(), expected, terminal.lineHeight());
    }
    static std::optional<Stitched> waitForCapture(Program& quorvane, qsizetype since, int timeoutMs = 120000) {
        if (!quorvane.waitForLog(QStringLiteral("Scrolling capture:"), since, timeoutMs)) return std::nullopt;
        return lastStitched(quorvane);
    }
};

TEST_F(ScrollingTerminal, FastAutoScrollingCapturesTheWholeText) {
    Program quorvane({{"autoScrollSpeed", "fast"}});
    startProgram(quorvane);
    Terminal terminal;
    ASSERT_TRUE(terminal.start(numberedLines(160), QStringLiteral("+100+200")));
    ASSERT_TRUE(terminal.scrollToTop(QStringLiteral("0001 The line number 1")));

    const qsizetype since = quorvane.mark();
    const Window panel = selectTerminal(quorvane, terminal);
    ASSERT_TRUE(clickAutoDown(panel));
    expectWholeText(quorvane, waitForCapture(quorvane, since),
                    terminal.window.geometry.height() + terminal.scrollDistance(), terminal, "Fast auto scrolling");
    EXPECT_TRUE(quorvane.log().contains(QStringLiteral("steps: endReached")));
    EXPECT_EQ(quorvane.terminate(), 0);
}

TEST_F(ScrollingTerminal, ADragHeldAtTheBottomEdgeCapturesTheWholeText) {
    Program quorvane;
    startProgram(quorvane);
    Terminal terminal;
    // At the bottom of the screen: the region reaches from where the drag starts to the edge.
    ASSERT_TRUE(terminal.start(numberedLines(160), QStringLiteral("+100-0")));
    ASSERT_TRUE(terminal.scrollToTop(QStringLiteral("0001 The line number 1")));
    const QRect screen = grab().rect();
    const QRect text = terminal.window.geometry;
    const int bottom = workArea().bottom() + 1;
    const QPoint anchor(text.left(), std::max(text.top(), bottom - 300));

    const qsizetype since = quorvane.mark();
    startSelection(quorvane);
    moveMouse(anchor);
    settle(60);
    test::xdotool(QStringLiteral("mousedown 1"));
    const QPoint edge(text.right() + 1, screen.bottom());
    for (int step = 1; step <= 8; ++step)
        moveMouse(anchor + (edge - anchor) * step / 8);
    // Held at the edge until scrolling stops at the end of the text, or the capture ends.
    const bool stopped = test::waitUntil(
        [&] {
            return quorvane.countLog(QStringLiteral("Auto scroll ended after"), since) > 0 ||
                   quorvane.countLog(QStringLiteral("Scrolling capture:"), since) > 0;
        },
        120000);
    test::xdotool(QStringLiteral("mouseup 1"));
    ASSERT_TRUE(stopped) << quorvane.log().toStdString();
    expectWholeText(quorvane, waitForCapture(quorvane, since), (bottom - anchor.y()) + terminal.scrollDistance(),
                    terminal, "Held at the edge");
    EXPECT_EQ(quorvane.terminate(), 0);
}

TEST_F(ScrollingTerminal, ShortLinesInAWideRegionScrolledByHandOneClickAtATimeStitch) {
    Program quorvane;
    startProgram(quorvane);
    QStringList lines{QStringLiteral("seq 1 500")};
    for (int i = 1; i <= 500; ++i)
        lines << QString::number(i);
    Terminal terminal;
    ASSERT_TRUE(terminal.start(lines, QStringLiteral("+100+200")));
    ASSERT_TRUE(terminal.scrollToTop(QStringLiteral("seq 1 500")));

    // One click at a time, each once the panel shows that the frame after it was stitched.
    const qsizetype since = quorvane.mark();
    const Window panel = selectTerminal(quorvane, terminal);
    moveMouse(terminal.window.geometry.center());
    std::optional<int> height;
    ASSERT_TRUE(test::waitUntil([&] { return (height = panelHeight(panel.geometry)).has_value(); }));
    const int clicks = (terminal.lineCount - terminalRows + 4) / 5;
    for (int click = 0; click < clicks; ++click) {
        test::xdotool(QStringLiteral("click 5"));
        const int before = *height;
        ASSERT_TRUE(test::waitUntil(
            [&] {
                const auto now = panelHeight(panel.geometry);
                if (now && *now > before) height = now;
                return *height > before;
            },
            20000))
            << "click " << click << ", " << before << " px stitched\n"
            << quorvane.log().toStdString();
    }
    press(QStringLiteral("Return"));
    expectWholeText(quorvane, waitForCapture(quorvane, since, 20000),
                    terminal.window.geometry.height() + terminal.scrollDistance(), terminal, "By hand");
    EXPECT_EQ(quorvane.terminate(), 0);
}

TEST_F(ScrollingTerminal, ACompleteCaptureTakesAwayThePartialOnesWarning) {
    Program quorvane({{"autoScrollSpeed", "fast"}});
    startProgram(quorvane);
    Terminal terminal;
    ASSERT_TRUE(terminal.start(numberedLines(60), QStringLiteral("+100+200")));
    ASSERT_TRUE(terminal.scrollToTop(QStringLiteral("0001 The line number 1")));

    // Spun too fast, the wheel leaves the stitcher nothing to match: the capture ends partial and
    // the editor says so.
    qsizetype since = quorvane.mark();
    selectTerminal(quorvane, terminal);
    moveMouse(terminal.window.geometry.center());
    test::xdotool(QStringLiteral("click --repeat 12 --delay 1 5"));
    auto stitched = waitForCapture(quorvane, since, 20000);
    ASSERT_TRUE(stitched.has_value()) << quorvane.log().toStdString();
    EXPECT_TRUE(stitched->partial);
    QElapsedTimer ended;
    ended.start();
    auto shown = waitForWindow(QStringLiteral("^Quorvane$"), 20000, 500);
    ASSERT_TRUE(shown.has_value());
    EXPECT_TRUE(test::waitUntil([&] { return shows(shown->geometry, QStringLiteral("Partial scrolling capture")); }))
        << quorvane.log().toStdString();
    press(QStringLiteral("ctrl+w"));
    ASSERT_TRUE(waitForNoWindow(QStringLiteral("^Quorvane$")));
    ASSERT_TRUE(terminal.scrollToTop(QStringLiteral("0001 The line number 1")));
    // The command waits two seconds after a capture ends.
    if (ended.elapsed() < 2200) settle(static_cast<int>(2200 - ended.elapsed()));

    // Auto ↓ to the end: complete, and the editor no longer warns.
    since = quorvane.mark();
    const Window panel = selectTerminal(quorvane, terminal);
    ASSERT_TRUE(clickAutoDown(panel));
    stitched = waitForCapture(quorvane, since);
    ASSERT_TRUE(stitched.has_value()) << quorvane.log().toStdString();
    EXPECT_FALSE(stitched->partial) << quorvane.log().toStdString();
    // The editor shows the new document, fitted to it and steady: the warning would stand in it
    // by now.
    EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Editor window fitted"), since)) << quorvane.log().toStdString();
    shown = waitForWindow(QStringLiteral("^Quorvane$"), 20000, 500);
    ASSERT_TRUE(shown.has_value());
    EXPECT_FALSE(shows(shown->geometry, QStringLiteral("Partial scrolling capture")));
    EXPECT_EQ(quorvane.terminate(), 0);
}

} // namespace
} // namespace quorvane::journey
