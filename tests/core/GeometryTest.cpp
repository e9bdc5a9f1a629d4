#include "core/Geometry.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using geom::exactlyEqual, geom::isNull, geom::nullRect;

// Max edges are outside and negative sizes are standardised; disjoint rectangles meet in the null
// rectangle, touching ones in an empty one; integral rounds outward; equality is exact; halves round
// away from zero.
TEST(Geometry, RectangleRulesRoundingAndUlps) {
    const QRectF r(10, 20, 30, 40);
    EXPECT_TRUE(geom::contains(r, QPointF(10, 20)));
    EXPECT_FALSE(geom::contains(r, QPointF(40, 30)) || geom::contains(r, QPointF(20, 60)));
    EXPECT_TRUE(geom::contains(QRectF(40, 60, -30, -40), QPointF(10, 20)));
    EXPECT_FALSE(geom::contains(QRectF(10, 20, 0, 40), QPointF(10, 20)) ||
                 geom::contains(nullRect(), QPointF()));
    EXPECT_TRUE(geom::contains(r, QRectF(40, 60, -30, -40)));
    EXPECT_FALSE(geom::contains(r, QRectF(10, 20, 30.5, 40)) || geom::contains(r, nullRect()));
    EXPECT_TRUE(isNull(geom::intersection(r, QRectF(41, 0, 5, 5))));
    EXPECT_TRUE(exactlyEqual(geom::intersection(r, QRectF(40, 22, 5, 5)), QRectF(40, 22, 0, 5)));
    EXPECT_TRUE(exactlyEqual(geom::intersection(r, QRectF(5, 15, 10, 10)), QRectF(10, 20, 5, 5)));
    EXPECT_TRUE(exactlyEqual(geom::united(nullRect(), QRectF(1, 2, -1, 3)), QRectF(0, 2, 1, 3)));
    EXPECT_TRUE(exactlyEqual(geom::integral(QRectF(0.5, -0.5, 1, 1)), QRectF(0, -1, 2, 2)));
    EXPECT_TRUE(exactlyEqual(geom::insetBy(QRectF(10, 10, -10, 10), -2, 1), QRectF(-2, 11, 14, 8)));
    EXPECT_TRUE(isNull(geom::insetBy(QRectF(0, 0, 4, 4), 3, 0)));
    // Unlike Qt's own ==, which forgives small differences.
    EXPECT_FALSE(exactlyEqual(QRectF(0, 0, 1, 1), QRectF(0, 0, 1 + 1e-15, 1)));
    EXPECT_TRUE(exactlyEqual(QRectF(10, 10, -10, -10), QRectF(0, 0, 10, 10)));
    EXPECT_FALSE(exactlyEqual(nullRect(), QRectF()));
    EXPECT_EQ(geom::roundHalfAway(-2.5), -3);
    EXPECT_EQ(geom::roundHalfAway(0.49999999999999994), 0);
    EXPECT_EQ(geom::ulp(-1024.0), std::nextafter(1024.0, 2048.0) - 1024.0);
    EXPECT_EQ(geom::ulp(1e-310), std::numeric_limits<double>::denorm_min());
    EXPECT_TRUE(std::isnan(geom::ulp(std::numeric_limits<double>::infinity())));
}

} // namespace
} // namespace quorvane
