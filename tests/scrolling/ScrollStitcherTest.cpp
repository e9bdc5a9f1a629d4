#include "scrolling/ScrollStitcher.h"

#include "platform/AnonymousMemory.h"
#include "scrolling/SyntheticPage.h"
#include "support/ImageCompare.h"

#include <QColorSpace>
#include <gtest/gtest.h>
#include <random>

namespace quorvane {

void PrintTo(const ScrollStitchOutcome& outcome, std::ostream* out) {
    *out << "kind " << int(outcome.kind) << " rows " << outcome.rows << " " << outcome.message.toStdString();
}

namespace {

using test::FrameLayout;
using test::pageImage;
using test::SyntheticPage;
using Kind = ScrollStitchOutcome::Kind;

constexpr ScrollStitcher::Limits captureLimits{20000, 40000000, 48};

struct Scroll {
    int width = 240;
    int rows = 160; // scrolling part of each frame
    FrameLayout layout;
    SyntheticPage page;
    ScrollStitcher::Limits limits = captureLimits;

    QImage frame(int offset, int mark = -1) const {
        FrameLayout l = layout;
        if (mark >= 0) l.footerMark = mark;
        return pageImage(page, width, offset, rows, l);
    }
    std::unique_ptr<ScrollStitcher> start(int offset = 0) const {
        return ScrollStitcher::create(frame(offset, layout.footerMark), limits);
    }
};

QImage resultOf(const ScrollStitcher& stitcher) {
    const auto image = stitcher.result();
    return image ? *image : QImage();
}

TEST(ScrollStitcher, RebuildsScrolledPagesExactly) {
    struct Case {
        const char* name;
        int width, rows, header, footer;
        std::vector<int> offsets;
    };
    const std::vector<Case> cases = {
        {"plain", 240, 160, 0, 0, {0, 17, 60, 61, 110, 190, 300}},
        {"header and footer", 300, 200, 30, 24, {0, 40, 41, 100, 180, 230, 300, 410}},
        {"wide and tall frames", 1400, 600, 56, 20, {0, 120, 250, 251, 480, 700}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scroll scroll{c.width, c.rows, {c.header, c.footer, c.footer > 0 ? 3 : -1}, {}};
        auto stitcher = scroll.start();
        ASSERT_TRUE(stitcher);
        // The status bar's mark moves with every frame, by fewer columns than count as a change.
        // Blank rows that stay put at the bottom count as footer, so a small step may add
        // nothing yet.
        for (std::size_t i = 1; i < c.offsets.size(); ++i) {
            const auto outcome =
                stitcher->add(scroll.frame(c.offsets[i], c.footer > 0 ? 3 + 2 * int(i) : -1));
            if (i + 1 == c.offsets.size() || c.offsets[i] - c.offsets[i - 1] > 10)
                EXPECT_EQ(outcome.kind, Kind::appended) << "frame " << i;
            else
                EXPECT_TRUE(outcome.kind == Kind::appended || outcome.kind == Kind::noProgress)
                    << "frame " << i;
        }
        const int last = int(c.offsets.size()) - 1;
        const QImage expected = pageImage(scroll.page, c.width, 0, c.offsets.back() + c.rows,
                                          {c.header, c.footer, c.footer > 0 ? 3 + 2 * last : -1});
        EXPECT_EQ(stitcher->height(), expected.height());
        EXPECT_TRUE(test::imagesNear(resultOf(*stitcher), expected, 0));
    }
}

TEST(ScrollStitcher, KeepsTheReferenceOnIdleFramesAndIgnoresOtherSizes) {
    Scroll scroll;
    auto stitcher = scroll.start();
    const QImage unchanged = resultOf(*stitcher);
    EXPECT_EQ(stitcher->add(scroll.frame(0)), ScrollStitchOutcome::noProgress());
    EXPECT_EQ(resultOf(*stitcher).cacheKey(), unchanged.cacheKey());
    EXPECT_EQ(stitcher->add(pageImage(scroll.page, scroll.width + 1, 50, scroll.rows)),
              ScrollStitchOutcome::mismatched());
    EXPECT_EQ(stitcher->add(QImage()), ScrollStitchOutcome::mismatched());

    EXPECT_EQ(stitcher->add(scroll.frame(50)), ScrollStitchOutcome::appended(50));
    EXPECT_EQ(stitcher->add(scroll.frame(50)), ScrollStitchOutcome::noProgress());
    EXPECT_EQ(stitcher->add(scroll.frame(90)).kind, Kind::appended);
    EXPECT_TRUE(
        test::imagesNear(resultOf(*stitcher), pageImage(scroll.page, scroll.width, 0, 90 + scroll.rows), 0));
}

TEST(ScrollStitcher, ScrollingBackAppendsOnlyRowsNeverSeen) {
    Scroll scroll;
    auto stitcher = scroll.start();
    ASSERT_EQ(stitcher->add(scroll.frame(80)).kind, Kind::appended);
    EXPECT_EQ(stitcher->add(scroll.frame(30)), ScrollStitchOutcome::reversed());
    EXPECT_EQ(stitcher->add(scroll.frame(60)), ScrollStitchOutcome::noProgress());
    EXPECT_EQ(stitcher->add(scroll.frame(120)), ScrollStitchOutcome::appended(40));
    EXPECT_TRUE(
        test::imagesNear(resultOf(*stitcher), pageImage(scroll.page, scroll.width, 0, 120 + scroll.rows), 0));
}

TEST(ScrollStitcher, StopsOnRepeatingContentOrTooLargeAStepAndKeepsWhatItHas) {
    Scroll repeating;
    repeating.page.period = 60;
    auto stitcher = repeating.start();
    const auto ambiguous = ScrollStitchOutcome::lowConfidence(ScrollStitchOutcome::ambiguousOverlap());
    EXPECT_EQ(stitcher->add(repeating.frame(25)), ambiguous);
    EXPECT_EQ(stitcher->add(repeating.frame(50)), ambiguous);
    EXPECT_EQ(stitcher->stopped(), ambiguous);
    EXPECT_TRUE(test::imagesNear(resultOf(*stitcher), repeating.frame(0), 0));

    Scroll scroll;
    stitcher = scroll.start();
    ASSERT_EQ(stitcher->add(scroll.frame(40)).kind, Kind::appended);
    const auto tooFar = ScrollStitchOutcome::lowConfidence(ScrollStitchOutcome::scrolledTooFar());
    EXPECT_EQ(stitcher->add(scroll.frame(40 + scroll.rows)), tooFar);
    EXPECT_EQ(stitcher->add(scroll.frame(60)), tooFar);
    EXPECT_TRUE(
        test::imagesNear(resultOf(*stitcher), pageImage(scroll.page, scroll.width, 0, 40 + scroll.rows), 0));
}

// Frames of a grey page 64 wide with every column matched, so that the fine score can be set to
// the exact value: +d grey levels on k of the 64 columns of every row cost d·k/64.
TEST(ScrollStitcher, AcceptsAFineScoreOfExactly2Point5AndNoMore) {
    Scroll scroll{64, 128, {}, {}, {20000, 40000000, 0}};
    const auto shifted = [&](int extra) {
        return test::greyImage(64, 128, [&](int x, int y) {
            const int level = scroll.page.level(x, 40 + y) + (x % 2 == 0 ? 5 : 0) + (x == 1 ? extra : 0);
            return static_cast<std::uint8_t>(level);
        });
    };
    auto stitcher = scroll.start();
    EXPECT_EQ(stitcher->add(shifted(0)), ScrollStitchOutcome::appended(40));
    EXPECT_EQ(stitcher->diagnostics().score, 2.5);

    stitcher = scroll.start();
    EXPECT_EQ(stitcher->add(shifted(1)),
              ScrollStitchOutcome::lowConfidence(ScrollStitchOutcome::scrolledTooFar()));
    EXPECT_EQ(stitcher->diagnostics().score, 161.0 / 64);
}

// A page that repeats every 24 rows, each repeat 5 levels brighter on `brighter` of its 40
// columns; the new frame is 2 levels brighter on 20 other columns. The best shift then scores
// 1.0 and the shifts one repeat away 1.0 + 5·brighter/40.
TEST(ScrollStitcher, NeedsTheRunnerUpAtLeast1Point5BehindTheBest) {
    const auto level = [](int x, int y, int brighter) {
        const int base = 30 + int(test::mix(std::uint32_t(y % 24) * 131 + std::uint32_t(x)) % 120);
        return base + (x >= 20 && x < 20 + brighter ? 5 * (y / 24) : 0);
    };
    for (const auto& [brighter, runnerUp, accepted] :
         {std::tuple{12, 2.5, true}, std::tuple{11, 2.375, false}}) {
        const QImage first =
            test::greyImage(40, 128, [&](int x, int y) { return std::uint8_t(level(x, y, brighter)); });
        const QImage next = test::greyImage(40, 128, [&](int x, int y) {
            return std::uint8_t(level(x, y + 40, brighter) + (x < 20 ? 2 : 0));
        });
        auto stitcher = ScrollStitcher::create(first, {20000, 40000000, 0});
        const auto outcome = stitcher->add(next);
        EXPECT_EQ(stitcher->diagnostics().score, 1.0);
        EXPECT_EQ(stitcher->diagnostics().runnerUp, runnerUp);
        if (accepted)
            EXPECT_EQ(outcome, ScrollStitchOutcome::appended(40));
        else
            EXPECT_EQ(outcome, ScrollStitchOutcome::lowConfidence(ScrollStitchOutcome::ambiguousOverlap()));
    }
}

TEST(ScrollStitcher, IgnoresSmallOrMarginalChanges) {
    Scroll scroll{200, 100, {}, {}, captureLimits};
    const QImage first = scroll.frame(0);
    // `count` rows from row 10 on, the last at row 10 + span − 1, changed across the page.
    const auto changedRows = [&](int count, int span, int fromColumn = 0) {
        return test::greyImage(200, 100, [&](int x, int y) {
            const bool changed =
                x >= fromColumn && y >= 10 && y < 10 + span && (y - 10) % ((span - 1) / (count - 1)) == 0;
            return changed ? std::uint8_t(255 - scroll.page.level(x, y)) : scroll.page.level(x, y);
        });
    };
    auto stitcher = ScrollStitcher::create(first, scroll.limits);
    EXPECT_EQ(stitcher->add(changedRows(5, 61)), ScrollStitchOutcome::noProgress());
    EXPECT_EQ(stitcher->diagnostics().runnerUp, std::numeric_limits<double>::infinity()) << "was matched";
    stitcher->add(changedRows(6, 61));
    EXPECT_NE(stitcher->diagnostics().runnerUp, std::numeric_limits<double>::infinity()) << "was not matched";

    stitcher = ScrollStitcher::create(first, scroll.limits);
    EXPECT_EQ(stitcher->add(changedRows(6, 31)), ScrollStitchOutcome::noProgress())
        << "moving part below 32 rows";
    EXPECT_EQ(stitcher->diagnostics().runnerUp, std::numeric_limits<double>::infinity());
    // Changes only in the scroll-bar margin; a margin wider than half the frame leaves half.
    EXPECT_EQ(stitcher->add(changedRows(20, 77, 152)), ScrollStitchOutcome::noProgress());
    stitcher = ScrollStitcher::create(first, {20000, 40000000, 150});
    EXPECT_EQ(stitcher->add(changedRows(20, 77, 140)), ScrollStitchOutcome::noProgress());
    stitcher = ScrollStitcher::create(first, {20000, 40000000, -5});
    stitcher->add(changedRows(20, 77, 190));
    EXPECT_NE(stitcher->diagnostics().runnerUp, std::numeric_limits<double>::infinity());
}

TEST(ScrollStitcher, StopsExactlyAtTheRowLimit) {
    Scroll scroll{240, 160, {20, 16, -1}, {}, {400, 40000000, 48}};
    auto stitcher = scroll.start();
    ASSERT_EQ(stitcher->add(scroll.frame(100)).kind, Kind::appended);
    EXPECT_EQ(stitcher->add(scroll.frame(230)), ScrollStitchOutcome::limitReached());
    EXPECT_EQ(stitcher->height(), 400);
    EXPECT_EQ(stitcher->add(QImage()), ScrollStitchOutcome::limitReached()) << "not even looked at";
    // Header and content up to the limit, no status bar.
    EXPECT_TRUE(test::imagesNear(resultOf(*stitcher), pageImage(scroll.page, 240, 0, 380, {20, 0, -1}), 0));

    const auto plain = [](int width, int height) { return QImage(width, height, QImage::Format_RGBX8888); };
    EXPECT_FALSE(ScrollStitcher::create(plain(31, 100), captureLimits));
    EXPECT_FALSE(ScrollStitcher::create(plain(100, 63), captureLimits));
    EXPECT_TRUE(ScrollStitcher::create(plain(32, 64), captureLimits));
    // 400,000 pixels at 400 wide allow 1,000 rows.
    EXPECT_FALSE(ScrollStitcher::create(plain(400, 1001), {20000, 400000, 48}));
    EXPECT_TRUE(ScrollStitcher::create(plain(400, 1000), {20000, 400000, 48}));
    EXPECT_FALSE(ScrollStitcher::create(plain(32, 101), {100, 400000, 48}));
}

TEST(ScrollStitcher, KeepsTheColourSpaceOfRgbFramesAndReadsTransparencyAsWhite) {
    Scroll scroll;
    const QImage grey = scroll.frame(0).convertToFormat(QImage::Format_Grayscale8);
    auto stitcher = ScrollStitcher::create(grey, captureLimits);
    ASSERT_TRUE(stitcher);
    ASSERT_EQ(stitcher->add(scroll.frame(50)).kind, Kind::appended);
    EXPECT_EQ(resultOf(*stitcher).colorSpace(), QColorSpace(QColorSpace::SRgb));
    EXPECT_TRUE(
        test::imagesNear(resultOf(*stitcher), pageImage(scroll.page, scroll.width, 0, 50 + scroll.rows), 0));

    QImage p3 = scroll.frame(0);
    p3.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
    stitcher = ScrollStitcher::create(p3, captureLimits);
    EXPECT_EQ(resultOf(*stitcher).colorSpace(), QColorSpace(QColorSpace::DisplayP3));

    // White and fully transparent pixels are the same grey; no change is seen.
    QImage transparent = scroll.frame(0);
    for (int y = 0; y < transparent.height(); ++y)
        for (int x = 0; x < transparent.width(); ++x)
            if (qRed(transparent.pixel(x, y)) == 248) transparent.setPixel(x, y, 0);
    stitcher = ScrollStitcher::create(test::greyImage(scroll.width, scroll.rows,
                                                      [&](int x, int y) {
                                                          const auto v = scroll.page.level(x, y);
                                                          return v == 248 ? std::uint8_t(255) : v;
                                                      }),
                                      captureLimits);
    EXPECT_EQ(stitcher->add(transparent), ScrollStitchOutcome::noProgress());
    EXPECT_EQ(stitcher->diagnostics().stickyTop, scroll.rows);
}

TEST(ScrollStitcher, ImagesHandedOutNeverChangeAfterwards) {
    Scroll scroll{240, 160, {0, 24, 3}, {}};
    auto stitcher = scroll.start();
    ASSERT_EQ(stitcher->add(scroll.frame(50, 5)).kind, Kind::appended);
    const QImage held = resultOf(*stitcher);
    const QImage copy = held.copy();
    ASSERT_EQ(stitcher->add(scroll.frame(90, 7)).kind, Kind::appended);
    ASSERT_EQ(stitcher->add(scroll.frame(130, 9)).kind, Kind::appended);
    EXPECT_TRUE(test::imagesNear(held, copy, 0));
    EXPECT_TRUE(test::imagesNear(resultOf(*stitcher), pageImage(scroll.page, 240, 0, 290, {0, 24, 9}), 0));

    // The pixels outlive the stitcher.
    const QImage last = resultOf(*stitcher);
    stitcher.reset();
    EXPECT_TRUE(test::imagesNear(last, pageImage(scroll.page, 240, 0, 290, {0, 24, 9}), 0));
}

TEST(ScrollStitcher, BlankNoisyAndMismatchedFramesNeitherCrashNorGrowMemory) {
    Scroll scroll{400, 300, {}, {}};
    auto stitcher = scroll.start();
    const auto mapped = AnonymousMemory::counters().liveBytes;
    std::mt19937 random(7);
    const QImage noise = test::greyImage(400, 300, [&](int, int) { return std::uint8_t(random()); });
    const QImage blank = test::greyImage(400, 300, [](int, int) { return std::uint8_t(255); });
    for (int i = 0; i < 20; ++i) {
        stitcher->add(i % 2 ? blank : scroll.frame(0));
        stitcher->add(pageImage(scroll.page, 300 + i, 0, 200));
    }
    EXPECT_EQ(AnonymousMemory::counters().liveBytes, mapped);
    EXPECT_EQ(stitcher->add(noise).kind, Kind::lowConfidence);
    EXPECT_EQ(stitcher->height(), 300);
}

} // namespace
} // namespace quorvane
