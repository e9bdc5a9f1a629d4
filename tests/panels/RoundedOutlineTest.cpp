#include "panels/RoundedOutline.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

// The clip of a panel where no compositing manager blends its transparent pixels.
TEST(RoundedOutline, KeepsThePixelsInsideTheRoundedRectangle) {
    // The card: 6 points of margin, corners of 10.
    const QRegion card = RoundedOutline::region({292, 183}, 6, 10);
    EXPECT_EQ(card.boundingRect(), QRect(6, 6, 280, 171));
    for (const QPoint& outside : {QPoint(0, 0), QPoint(5, 90), QPoint(150, 5), QPoint(286, 177), QPoint(7, 7),
                                  QPoint(284, 7), QPoint(7, 175), QPoint(284, 175)})
        EXPECT_FALSE(card.contains(outside)) << outside.x() << "," << outside.y();
    for (const QPoint& inside : {QPoint(6, 16), QPoint(16, 6), QPoint(285, 100), QPoint(146, 176), QPoint(10, 10),
                                 QPoint(146, 91)})
        EXPECT_TRUE(card.contains(inside)) << inside.x() << "," << inside.y();
    // Each corner loses its square of r² but for the quarter circle half a pixel inside the arc.
    const auto area = [](const QRegion& region) {
        long sum = 0;
        for (const QRect& r : region)
            sum += long(r.width()) * r.height();
        return sum;
    };
    EXPECT_NEAR(double(area(card)), 280.0 * 171 - 4 * (100 - M_PI * 9.5 * 9.5 / 4), 12);
    // Symmetric: mirrored left to right and top to bottom.
    for (int y = 6; y < 177; ++y)
        for (int x = 6; x < 146; ++x) {
            const bool in = card.contains(QPoint(x, y));
            ASSERT_EQ(std::pair(card.contains(QPoint(291 - x, y)), card.contains(QPoint(x, 182 - y))),
                      std::pair(in, in))
                << x << "," << y;
        }

    // A pin: no margin, corners of 8; a pin too small for its corners is a round blob, and one
    // smaller than its margin has no pixels.
    const QRegion pin = RoundedOutline::region({400, 300}, 0, 8);
    EXPECT_EQ(std::tuple(pin.contains(QPoint(0, 0)), pin.contains(QPoint(0, 8)), pin.contains(QPoint(200, 0))),
              std::tuple(false, true, true));
    const QRegion tiny = RoundedOutline::region({6, 4}, 0, 8);
    EXPECT_EQ(std::tuple(tiny.contains(QPoint(3, 2)), tiny.contains(QPoint(0, 0))), std::tuple(true, false));
    EXPECT_TRUE(RoundedOutline::region({10, 10}, 6, 10).isEmpty());
}

} // namespace
} // namespace quorvane
