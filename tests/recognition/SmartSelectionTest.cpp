#include "recognition/SmartSelection.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <limits>

namespace quorvane {
namespace {

using C = SmartSelection::Outcome::Case;
using namespace std::chrono_literals;

QImage canvas(int width, int height, QColor color) {
    QImage image(width, height, QImage::Format_RGBA8888_Premultiplied);
    image.fill(color);
    return image;
}

QImage grey(QImage image, QRect area, int value) {
    QPainter(&image).fillRect(area, QColor(value, value, value));
    return image;
}

// A grey 100 panel at (2, 2, 6, 4) on black whose left column is 104 inside and, outside at
// x = 1, `noEdge` rows of 107 (3 from the inside: no edge, 7 from the seed: not joined) and the
// rest black.
QImage leftSide(int noEdge, int outside = 107) {
    QImage image = grey(canvas(10, 8, Qt::black), QRect(2, 2, 6, 4), 100);
    image = grey(image, QRect(2, 2, 1, 4), 104);
    for (int y = 2; y < 2 + noEdge; ++y)
        image.setPixelColor(1, y, QColor(outside, outside, outside));
    return image;
}

// A clock that stands still at its first reading and has passed any deadline from then on.
struct CountingClock {
    int reads = 0;
    std::chrono::steady_clock::time_point operator()() {
        return std::chrono::steady_clock::time_point{} + (reads++ == 0 ? 0s : 1h);
    }
};

TEST(SmartSelection, TracesPlainAreasAndRefusesTheRestForItsReason) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const QImage square = grey(canvas(10, 10, Qt::white), QRect(3, 3, 4, 4), 100);
    // A wall down the middle with a gap at the bottom: the right half and the bottom row reach
    // all four borders long before the left half is filled.
    QImage walled = canvas(200, 100, Qt::white);
    QPainter(&walled).fillRect(QRect(100, 0, 1, 99), Qt::black);
    // The panel grows by one column of 106 (joins) or not at all for 107.
    const QImage joined =
        grey(grey(canvas(12, 10, Qt::black), QRect(2, 2, 6, 5), 100), QRect(8, 2, 1, 5), 106);
    const QImage stopped =
        grey(grey(canvas(12, 10, Qt::black), QRect(2, 2, 6, 5), 100), QRect(8, 2, 1, 5), 107);
    // A panel on the left border: that side is not judged, even with no edge beside it.
    const QImage onBorder = grey(canvas(10, 8, Qt::black), QRect(0, 2, 6, 4), 100);
    QImage hole = grey(canvas(12, 12, Qt::black), QRect(2, 2, 8, 8), 100);
    hole.setPixelColor(5, 5, Qt::transparent);

    struct Case {
        const char* name;
        QImage image;
        QPointF point;
        long long maxPixels;
        SmartSelection::Outcome expected;
    };
    const Case cases[] = {
        {"left of the image", square, {-0.5, 4}, 1000, {C::unavailable, {}}},
        {"past the right edge", square, {10, 4}, 1000, {C::unavailable, {}}},
        {"not a number", square, {nan, 4}, 1000, {C::unavailable, {}}},
        {"infinite", square, {4, inf}, 1000, {C::unavailable, {}}},
        {"four by four", square, {4.9, 4.2}, 1000, {C::region, QRectF(3, 3, 4, 4)}},
        {"three wide",
         grey(canvas(10, 10, Qt::white), QRect(3, 3, 3, 5), 100),
         {4, 4},
         1000,
         {C::tooSmall, {}}},
        {"three high",
         grey(canvas(10, 10, Qt::white), QRect(3, 3, 5, 3), 100),
         {4, 4},
         1000,
         {C::tooSmall, {}}},
        {"one colour", canvas(40, 30, Qt::white), {5, 5}, 1'000'000, {C::touchesEveryEdge, {}}},
        {"half the pairs on an edge", leftSide(2), {4, 3}, 1000, {C::region, QRectF(2, 2, 6, 4)}},
        {"one pair fewer", leftSide(3), {4, 3}, 1000, {C::noClearEdge, {}}},
        {"a step of 3 is no edge", leftSide(4), {4, 3}, 1000, {C::noClearEdge, {}}},
        {"a step of 4 is", leftSide(4, 108), {4, 3}, 1000, {C::region, QRectF(2, 2, 6, 4)}},
        {"tolerance 6 joins", joined, {4, 4}, 1000, {C::region, QRectF(2, 2, 7, 5)}},
        {"7 stops", stopped, {4, 4}, 1000, {C::region, QRectF(2, 2, 6, 5)}},
        {"left side on the border", onBorder, {3, 3}, 1000, {C::region, QRectF(0, 2, 6, 4)}},
        {"a transparent hole stops the fill", hole, {3, 3}, 1000, {C::region, QRectF(2, 2, 8, 8)}},
        {"exactly the cap", square, {4, 4}, 16, {C::region, QRectF(3, 3, 4, 4)}},
        {"one past the cap", square, {4, 4}, 15, {C::tooLarge, {}}},
        // 20 × 20 of one colour from its middle: the 20th run reaches the last border with 400
        // pixels; the 19th has 380.
        {"borders and cap in one run", canvas(20, 20, Qt::white), {10, 10}, 399, {C::touchesEveryEdge, {}}},
        {"cap in the run before", canvas(20, 20, Qt::white), {10, 10}, 379, {C::tooLarge, {}}},
        {"borders before the fill is done", walled, {150, 0}, 1'000'000, {C::touchesEveryEdge, {}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto grid = EdgeGrid::make(c.image);
        ASSERT_TRUE(grid);
        CountingClock clock;
        // The clock says the deadline has passed at every reading after the first: a trace that
        // ran 128 runs would end tooLarge.
        const auto outcome =
            SmartSelection::region(*grid, c.point, 6, c.maxPixels, 400ms, [&clock] { return clock(); });
        EXPECT_EQ(int(outcome.kind), int(c.expected.kind));
        EXPECT_EQ(outcome, c.expected) << outcome.box.x() << "," << outcome.box.y() << " "
                                       << outcome.box.width() << "x" << outcome.box.height();
    }
}

TEST(SmartSelection, NoticesTheDeadlineAtThe128thRunOnly) {
    struct Case {
        int rows;
        C kind;
        int reads;
    };
    for (const Case& c : {Case{127, C::region, 1}, Case{128, C::tooLarge, 2}, Case{300, C::tooLarge, 2}}) {
        const QImage image = grey(canvas(50, c.rows + 2, Qt::black), QRect(1, 1, 48, c.rows), 100);
        CountingClock clock;
        const auto outcome = SmartSelection::region(*EdgeGrid::make(image), {5, 5}, 6, 12'000'000, 400ms,
                                                    [&] { return clock(); });
        EXPECT_EQ(outcome.kind, c.kind) << c.rows;
        EXPECT_EQ(clock.reads, c.reads) << c.rows;
    }
}

TEST(SmartSelection, TracesARegionOfExactlyTheCanvasCap) {
    // 4000 × 3000 inside a one-pixel frame: 12,000,000 pixels.
    const QImage image = grey(canvas(4002, 3002, Qt::black), QRect(1, 1, 4000, 3000), 200);
    const auto grid = EdgeGrid::make(image);
    ASSERT_TRUE(grid);
    EXPECT_EQ(SmartSelection::region(*grid, {2000, 1500}, 6, 12'000'000, 1h),
              (SmartSelection::Outcome{C::region, QRectF(1, 1, 4000, 3000)}));
    EXPECT_EQ(SmartSelection::region(*grid, {2000, 1500}, 6, 11'999'999, 1h).kind, C::tooLarge);
}

} // namespace
} // namespace quorvane
