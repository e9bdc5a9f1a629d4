#include "scrolling/ScrollStitcher.h"

#include "platform/AnonymousMemory.h"
#include "scrolling/SyntheticPage.h"
#include "support/ImageCompare.h"
#include "support/TextImages.h"

#include <QColorSpace>
#include <QPainter>
#include <functional>
#include <gtest/gtest.h>
#include <random>

namespace quorvane {

void PrintTo(const ScrollStitchOutcome& outcome, std::ostream* out) {
    *out << "kind " << int(outcome.kind) << " rows " << outcome.rows << " " << outcome.message.toStdString();
}

namespace {

using test::pageImage;
using Outcome = ScrollStitchOutcome;
using Kind = Outcome::Kind;

constexpr ScrollStitcher::Limits captureLimits{20000, 40000000, 48};
constexpr double unmatched = std::numeric_limits<double>::infinity();
const Outcome tooFar =
    Outcome::lowConfidence(QStringLiteral("Scrolled too far between frames — scroll slower"));
const Outcome ambiguous = Outcome::lowConfidence(QStringLiteral(
    "Repeating content makes the overlap ambiguous — scroll a part of the page with distinct content"));

// Frames showing `rows` page rows from an offset on, between the layout's toolbar and status bar.
struct Scroll {
    int width = 240, rows = 160, header = 0, footer = 0;
    test::SyntheticPage page{};

    QImage frame(int offset, int mark = -1) const {
        return pageImage(page, width, offset, rows, header, footer, mark);
    }
    // The page down to the frame at `offset`.
    QImage upTo(int offset, int mark = -1) const {
        return pageImage(page, width, 0, offset + rows, header, footer, mark);
    }
    std::unique_ptr<ScrollStitcher> start(int mark = -1) const {
        return ScrollStitcher::create(frame(0, mark), captureLimits);
    }
};

TEST(ScrollStitcher, RebuildsScrolledPagesExactlyAndNeverChangesImagesHandedOut) {
    struct Case {
        int width, rows, header, footer;
        std::vector<int> offsets;
    };
    const Case cases[] = {{240, 160, 0, 0, {0, 17, 60, 61, 110, 190, 300}},
                          {300, 200, 30, 24, {0, 40, 41, 100, 180, 230, 300, 410}},
                          {1400, 600, 56, 20, {0, 120, 250, 251, 480, 700}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        // The status bar's mark moves with every frame, by fewer columns than count as a change.
        const auto mark = [&](std::size_t i) { return c.footer > 0 ? 3 + 2 * int(i) : -1; };
        const Scroll scroll{c.width, c.rows, c.header, c.footer};
        auto stitcher = scroll.start(mark(0));
        QImage held, copy;
        for (std::size_t i = 1; i < c.offsets.size(); ++i) {
            const Kind kind = stitcher->add(scroll.frame(c.offsets[i], mark(i))).kind;
            // Blank rows that stay put at the bottom count as footer: a small step may add nothing yet.
            const bool small = c.offsets[i] - c.offsets[i - 1] <= 10 && i + 1 < c.offsets.size();
            EXPECT_TRUE(kind == Kind::appended || (small && kind == Kind::noProgress)) << "frame " << i;
            if (i == 2) copy = (held = stitcher->result().value()).copy();
        }
        const QImage last = stitcher->result().value();
        stitcher.reset();
        EXPECT_TRUE(test::imagesNear(held, copy, 0));
        EXPECT_TRUE(test::imagesNear(last, scroll.upTo(c.offsets.back(), mark(c.offsets.size() - 1)), 0));
    }
}

TEST(ScrollStitcher, IgnoresIdleOrOtherFramesAppendsOnlyUnseenRowsAndStopsAfterTooLargeASteps) {
    const Scroll scroll;
    auto stitcher = scroll.start();
    const qint64 first = stitcher->result().value().cacheKey();
    EXPECT_EQ(stitcher->add(scroll.frame(0)), Outcome::noProgress());
    EXPECT_EQ(stitcher->result().value().cacheKey(), first);
    EXPECT_EQ(stitcher->add(pageImage(scroll.page, 241, 50, 160)), Outcome::mismatched());
    EXPECT_EQ(stitcher->add(QImage()), Outcome::mismatched());
    EXPECT_EQ(stitcher->add(scroll.frame(80)), Outcome::appended(80));
    EXPECT_EQ(stitcher->add(scroll.frame(30)), Outcome::reversed());
    EXPECT_EQ(stitcher->add(scroll.frame(60)), Outcome::noProgress());
    EXPECT_EQ(stitcher->add(scroll.frame(80)), Outcome::noProgress());
    EXPECT_EQ(stitcher->add(scroll.frame(120)), Outcome::appended(40));
    EXPECT_EQ(stitcher->add(scroll.frame(280)), tooFar);
    EXPECT_EQ(stitcher->add(scroll.frame(140)), tooFar);
    EXPECT_TRUE(test::imagesNear(stitcher->result().value(), scroll.upTo(120), 0));

    // Blank, noisy and other-sized frames neither crash it nor grow its memory.
    const Scroll large{400, 300};
    stitcher = large.start();
    const auto mapped = AnonymousMemory::counters().liveBytes;
    std::mt19937 random(7);
    const QImage noise = test::greyImage(400, 300, [&](int, int) { return std::uint8_t(random()); });
    const QImage blank = test::greyImage(400, 300, [](int, int) { return std::uint8_t(255); });
    for (int i = 0; i < 20; ++i) {
        stitcher->add(i % 2 ? blank : large.frame(0));
        stitcher->add(pageImage(large.page, 300 + i, 0, 200));
    }
    EXPECT_EQ(AnonymousMemory::counters().liveBytes, mapped);
    EXPECT_EQ(stitcher->add(noise).kind, Kind::lowConfidence);
    EXPECT_EQ(stitcher->height(), 300);
}

TEST(ScrollStitcher, StopsOnRepeatingContentAndAcceptsAScoreUpTo2Point5WithARunnerUp1Point5Behind) {
    Scroll repeating;
    repeating.page.period = 60;
    auto stitcher = repeating.start();
    EXPECT_EQ(stitcher->add(repeating.frame(25)), ambiguous);
    EXPECT_EQ(stitcher->add(repeating.frame(50)), ambiguous);
    EXPECT_EQ(stitcher->stopped(), ambiguous);
    EXPECT_TRUE(test::imagesNear(stitcher->result().value(), repeating.frame(0), 0));

    // Grey pages with every column matched set scores exactly: +d levels on k of w columns cost d·k/w.
    const ScrollStitcher::Limits noMargin{20000, 40000000, 0};
    const test::SyntheticPage page;
    for (int extra : {0, 1}) {
        stitcher = ScrollStitcher::create(pageImage(page, 64, 0, 128), noMargin);
        const QImage next = test::greyImage(64, 128, [&](int x, int y) {
            return std::uint8_t(page.level(x, 40 + y) + (x % 2 == 0 ? 5 : 0) + (x == 1 ? extra : 0));
        });
        EXPECT_EQ(stitcher->add(next), extra == 0 ? Outcome::appended(40) : tooFar);
        EXPECT_EQ(stitcher->diagnostics().score, (160.0 + extra) / 64);
    }
    // Repeats every 24 rows, each 5 levels brighter on `brighter` of 40 columns; the next frame 2 levels
    // brighter on 20 others: the best shift scores 1.0, those a repeat away 1.0 + 5·brighter/40.
    const auto level = [](int x, int y, int brighter) {
        const int base = 30 + int(test::mix(std::uint32_t(y % 24) * 131 + std::uint32_t(x)) % 120);
        return std::uint8_t(base + (x >= 20 && x < 20 + brighter ? 5 * (y / 24) : 0));
    };
    for (const auto& [brighter, runnerUp] : {std::pair{12, 2.5}, std::pair{11, 2.375}}) {
        stitcher = ScrollStitcher::create(
            test::greyImage(40, 128, [&](int x, int y) { return level(x, y, brighter); }), noMargin);
        const Outcome outcome = stitcher->add(test::greyImage(40, 128, [&](int x, int y) {
            return std::uint8_t(level(x, y + 40, brighter) + (x < 20 ? 2 : 0));
        }));
        EXPECT_EQ(outcome, brighter == 12 ? Outcome::appended(40) : ambiguous);
        EXPECT_EQ(stitcher->diagnostics().score, 1.0);
        EXPECT_EQ(stitcher->diagnostics().runnerUp, runnerUp);
    }
}

TEST(ScrollStitcher, IgnoresSmallOrMarginalChanges) {
    const Scroll scroll{200, 100};
    // `count` rows from row 10 on, the last at row 10 + span − 1, inverted from `fromColumn` on.
    const auto changedRows = [&](int count, int span, int fromColumn = 0) {
        return test::greyImage(200, 100, [&](int x, int y) {
            const bool changed =
                x >= fromColumn && y >= 10 && y < 10 + span && (y - 10) % ((span - 1) / (count - 1)) == 0;
            return changed ? std::uint8_t(255 - scroll.page.level(x, y)) : scroll.page.level(x, y);
        });
    };
    const auto stitcher = [&](int scrollbar = 48) {
        return ScrollStitcher::create(scroll.frame(0), {20000, 40000000, scrollbar});
    };
    auto matched = stitcher(), narrow = stitcher();
    EXPECT_EQ(matched->add(changedRows(5, 61)), Outcome::noProgress());
    EXPECT_EQ(matched->diagnostics().runnerUp, unmatched) << "5 of 100 rows changed were matched";
    matched->add(changedRows(6, 61));
    EXPECT_NE(matched->diagnostics().runnerUp, unmatched)
        << "6 of 100 rows changed, the reference kept, not matched";
    EXPECT_EQ(narrow->add(changedRows(6, 31)), Outcome::noProgress()) << "moving part below 32 rows";
    EXPECT_EQ(narrow->diagnostics().runnerUp, unmatched);
    // Changes only in the scroll-bar margin are ignored; a margin wider than half the frame leaves
    // half, a negative one all.
    EXPECT_EQ(narrow->add(changedRows(20, 77, 152)), Outcome::noProgress());
    for (const auto& [scrollbar, fromColumn] : {std::pair{150, 60}, {-5, 190}}) {
        auto margin = stitcher(scrollbar);
        margin->add(changedRows(20, 77, fromColumn));
        EXPECT_NE(margin->diagnostics().runnerUp, unmatched) << scrollbar;
    }
}

// A terminal's `lines`, 19 rows apart in a region 724 pixels wide: the page, and frames of it
// 308 rows high. A wheel click moves it five lines, 95 rows.
struct Terminal {
    static constexpr int width = 724, rows = 308, lineHeight = 19, click = 95;
    QImage page;

    explicit Terminal(const QStringList& lines) : page(test::whiteImage(width, 4 + int(lines.size()) * lineHeight)) {
        for (int line = 0; line < lines.size(); ++line)
            test::drawText(page, lines[line], QPoint(2, 2 + line * lineHeight), 15, true);
    }
    QImage frame(int offset) const { return page.copy(0, offset, width, rows); }
    // Appends every frame a click apart; the rows stitched.
    int stitchClickByClick(ScrollStitcher& stitcher) const {
        int offset = 0;
        for (; offset + click + rows <= page.height(); offset += click)
            EXPECT_EQ(stitcher.add(frame(offset + click)), Outcome::appended(click)) << "offset " << offset;
        return offset + rows;
    }
};

QStringList numbers(int count, const std::function<QString(int)>& line) {
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << line(i);
    return lines;
}

TEST(ScrollStitcher, FindsShiftsOfLinesThatAreNoMultipleOfFourRows) {
    // Lines whose pitch and shift are no multiples of 4 rows: wrong shifts by whole lines that are
    // must not win the coarse search.
    const Terminal terminal(numbers(60, [](int i) {
        return QStringLiteral("%1 The line number %2 says %3")
            .arg(i, 4, 10, QLatin1Char('0'))
            .arg(i)
            .arg(QString::number(std::uint64_t(i) * 2654435761u % 4294967291u, 16));
    }));
    auto stitcher = ScrollStitcher::create(terminal.frame(0), captureLimits);
    const int rows = terminal.stitchClickByClick(*stitcher);
    EXPECT_TRUE(test::imagesNear(stitcher->result().value(), terminal.page.copy(0, 0, Terminal::width, rows), 0));
}

TEST(ScrollStitcher, ShortLinesInAWideRegionStitchWhileALoneNarrowChangeIsNoScroll) {
    // Five lines a wheel click, as a terminal moves: each step changes only a digit or two of
    // every line, far fewer columns than a thirty-second of the width.
    const Terminal terminal(numbers(120, [](int i) { return QString::number(i); }));
    auto stitcher = ScrollStitcher::create(terminal.frame(0), captureLimits);
    const int rows = terminal.stitchClickByClick(*stitcher);
    EXPECT_TRUE(test::imagesNear(stitcher->result().value(), terminal.page.copy(0, 0, Terminal::width, rows), 0));

    // A blinking cursor is one narrow block of rows; with stray pixels here and there, and on a
    // region of sparse lines, it is still no scroll: nothing is matched. So are the cursors of two
    // panes side by side at twice the scale, each as tall as the least band scrolling may move:
    // two runs of narrow rows, where moved lines make many.
    const QImage still = terminal.frame(0);
    QImage blink = still;
    QPainter(&blink).fillRect(QRect(30, 21, 9, 17), Qt::black);
    QImage stray = blink;
    for (int y = 40; y < Terminal::rows; y += 23)
        for (int x : {300, 420})
            stray.setPixelColor(x + y % 7, y, Qt::black);
    QImage tallBlink = still;
    {
        QPainter painter(&tallBlink);
        painter.fillRect(QRect(60, 42, 18, 34), Qt::black);
        painter.fillRect(QRect(400, 118, 18, 34), Qt::black);
    }
    stitcher = ScrollStitcher::create(still, captureLimits);
    for (const QImage& frame : {blink, still, stray, still, tallBlink, still}) {
        EXPECT_EQ(stitcher->add(frame), Outcome::noProgress());
        EXPECT_EQ(stitcher->diagnostics().runnerUp, unmatched);
    }
    EXPECT_EQ(stitcher->add(terminal.frame(95)), Outcome::appended(95)) << "the reference stayed";
}

TEST(ScrollStitcher, StopsExactlyAtTheRowLimitAndRefusesFramesOutsideItsBounds) {
    const Scroll scroll{240, 160, 20, 16};
    auto stitcher = ScrollStitcher::create(scroll.frame(0), {400, 40000000, 48});
    ASSERT_EQ(stitcher->add(scroll.frame(100)).kind, Kind::appended);
    EXPECT_EQ(stitcher->add(scroll.frame(204)), Outcome::appended(104)) << "filling it exactly";
    EXPECT_EQ(stitcher->add(scroll.frame(230)), Outcome::limitReached());
    EXPECT_EQ(stitcher->add(QImage()), Outcome::limitReached()) << "not even looked at";
    // Toolbar and page rows up to the limit, no status bar.
    EXPECT_TRUE(test::imagesNear(stitcher->result().value(), pageImage(scroll.page, 240, 0, 380, 20), 0));

    const auto create = [](int width, int height, ScrollStitcher::Limits limits = captureLimits) {
        return ScrollStitcher::create(QImage(width, height, QImage::Format_RGBX8888), limits) != nullptr;
    };
    EXPECT_FALSE(create(31, 100));
    EXPECT_FALSE(create(100, 63));
    EXPECT_TRUE(create(32, 64));
    // 400,000 pixels at 400 wide allow 1,000 rows.
    EXPECT_FALSE(create(400, 1001, {20000, 400000, 48}));
    EXPECT_TRUE(create(400, 1000, {20000, 400000, 48}));
    EXPECT_FALSE(create(32, 101, {100, 400000, 48}));
}

TEST(ScrollStitcher, KeepsTheColourSpaceOfRgbFramesAndReadsTransparencyAsWhite) {
    const Scroll scroll;
    auto stitcher =
        ScrollStitcher::create(scroll.frame(0).convertToFormat(QImage::Format_Grayscale8), captureLimits);
    ASSERT_EQ(stitcher->add(scroll.frame(50)).kind, Kind::appended);
    EXPECT_EQ(stitcher->result().value().colorSpace(), QColorSpace(QColorSpace::SRgb));
    EXPECT_TRUE(test::imagesNear(stitcher->result().value(), scroll.upTo(50), 0));

    QImage p3 = scroll.frame(0);
    p3.setColorSpace(QColorSpace::DisplayP3);
    EXPECT_EQ(ScrollStitcher::create(p3, captureLimits)->result()->colorSpace(), p3.colorSpace());

    // Fully transparent pixels read as white: no change is seen.
    const auto blanks = [&](uchar value) {
        QImage image = scroll.frame(0);
        for (int y = 0; y < image.height(); ++y)
            for (uchar* p = image.scanLine(y); p < image.scanLine(y) + 4 * image.width(); p += 4)
                if (p[0] == 248) std::fill(p, p + 4, value);
        return image;
    };
    stitcher = ScrollStitcher::create(blanks(255), captureLimits);
    EXPECT_EQ(stitcher->add(blanks(0)), Outcome::noProgress());
    EXPECT_EQ(stitcher->diagnostics().stickyTop, scroll.rows);
}

} // namespace
} // namespace quorvane
