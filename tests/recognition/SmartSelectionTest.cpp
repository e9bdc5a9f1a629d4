#include "recognition/SmartSelection.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <tuple>

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
    const QImage threeWide = grey(canvas(10, 10, Qt::white), QRect(3, 3, 3, 5), 100),
                 threeHigh = grey(canvas(10, 10, Qt::white), QRect(3, 3, 5, 3), 100);
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
        {"three wide", threeWide, {4, 4}, 1000, {C::tooSmall, {}}},
        {"three high", threeHigh, {4, 4}, 1000, {C::tooSmall, {}}},
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
        EXPECT_EQ(outcome, c.expected)
            << int(outcome.kind) << ": " << outcome.box.x() << "," << outcome.box.y() << " "
            << outcome.box.width() << "x" << outcome.box.height();
    }
}

TEST(SmartSelection, NoticesTheDeadlineAtThe128thRunOnly) {
    for (const auto& [rows, kind, reads] :
         {std::tuple(127, C::region, 1), {128, C::tooLarge, 2}, {300, C::tooLarge, 2}}) {
        const QImage image = grey(canvas(50, rows + 2, Qt::black), QRect(1, 1, 48, rows), 100);
        CountingClock clock;
        const auto outcome = SmartSelection::region(*EdgeGrid::make(image), {5, 5}, 6, 12'000'000, 400ms,
                                                    [&] { return clock(); });
        EXPECT_EQ(outcome.kind, kind) << rows;
        EXPECT_EQ(clock.reads, reads) << rows;
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

// The trace reads pixels sixteen at a time; a plain breadth-first fill with the same rules must
// agree with it on any picture.
SmartSelection::Outcome referenceOutcome(const QImage& image, QPoint seed, int tolerance) {
    const int w = image.width(), h = image.height();
    const auto pixel = [&](int x, int y) { return image.constScanLine(y) + x * 4; };
    const auto close = [&](int x, int y) {
        for (int c = 0; c < 4; ++c)
            if (std::abs(int(pixel(x, y)[c]) - int(pixel(seed.x(), seed.y())[c])) > tolerance) return false;
        return true;
    };
    std::vector<char> in(std::size_t(w * h), 0);
    std::vector<QPoint> queue{seed};
    in[std::size_t(seed.y() * w + seed.x())] = 1;
    int minX = seed.x(), maxX = seed.x(), minY = seed.y(), maxY = seed.y();
    for (std::size_t next = 0; next < queue.size(); ++next) {
        const QPoint p = queue[next];
        minX = std::min(minX, p.x()), maxX = std::max(maxX, p.x());
        minY = std::min(minY, p.y()), maxY = std::max(maxY, p.y());
        for (const QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
            const QPoint q = p + d;
            if (q.x() < 0 || q.y() < 0 || q.x() >= w || q.y() >= h || in[std::size_t(q.y() * w + q.x())])
                continue;
            if (!close(q.x(), q.y())) continue;
            in[std::size_t(q.y() * w + q.x())] = 1;
            queue.push_back(q);
        }
    }
    // The box only grows, so a finished one on all four borders was on them after some run.
    if (minX == 0 && minY == 0 && maxX == w - 1 && maxY == h - 1) return {C::touchesEveryEdge, {}};
    if (maxX - minX + 1 < 4 || maxY - minY + 1 < 4) return {C::tooSmall, {}};
    const auto edge = [&](QPoint a, QPoint b) {
        for (int c = 0; c < 4; ++c)
            if (std::abs(int(pixel(a.x(), a.y())[c]) - int(pixel(b.x(), b.y())[c])) >= 4) return true;
        return false;
    };
    const auto side = [&](bool judged, QPoint from, QPoint step, QPoint outward, int length) {
        if (!judged) return true;
        int pairs = 0, edges = 0;
        for (int k = 0; k < length; ++k) {
            const QPoint p = from + step * k;
            if (!in[std::size_t(p.y() * w + p.x())]) continue;
            ++pairs;
            edges += edge(p, p + outward);
        }
        return pairs <= 2 * edges;
    };
    const int bw = maxX - minX + 1, bh = maxY - minY + 1;
    if (!side(minX >= 1, {minX, minY}, {0, 1}, {-1, 0}, bh) ||
        !side(maxX < w - 1, {maxX, minY}, {0, 1}, {1, 0}, bh) ||
        !side(minY >= 1, {minX, minY}, {1, 0}, {0, -1}, bw) ||
        !side(maxY < h - 1, {minX, maxY}, {1, 0}, {0, 1}, bw))
        return {C::noClearEdge, {}};
    return {C::region, QRectF(minX, minY, bw, bh)};
}

TEST(SmartSelection, AgreesWithAPlainFillOnRandomPictures) {
    std::mt19937 random(7);
    const int values[] = {100, 103, 106, 107, 110, 180};
    int regions = 0;
    for (int round = 0; round < 300; ++round) {
        const int w = 20 + int(random() % 80), h = 8 + int(random() % 30);
        // A frame keeps most regions off the borders; the rectangles break through it now and then.
        QImage image(w, h, QImage::Format_RGBA8888_Premultiplied);
        image.fill(Qt::black);
        {
            QPainter painter(&image);
            painter.fillRect(1, 1, w - 2, h - 2, QColor(100, 100, 100));
            for (int r = 0; r < 12; ++r) {
                const int v = values[random() % 6];
                painter.fillRect(int(random() % unsigned(w)), int(random() % unsigned(h)),
                                 1 + int(random() % 30), 1 + int(random() % 12), QColor(v, v, 100));
            }
        }
        const QPoint seed(1 + int(random() % unsigned(w - 2)), 1 + int(random() % unsigned(h - 2)));
        const auto expected = referenceOutcome(image, seed, 6);
        const auto outcome = SmartSelection::region(*EdgeGrid::make(image), seed, 6, 1'000'000, 1h);
        ASSERT_EQ(outcome, expected) << "round " << round << ": " << int(outcome.kind) << " vs "
                                     << int(expected.kind);
        regions += outcome.kind == C::region;
    }
    EXPECT_GT(regions, 20);
}

} // namespace
} // namespace quorvane
