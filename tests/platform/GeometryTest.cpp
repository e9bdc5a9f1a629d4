#include "platform/Geometry.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

constexpr double inf = std::numeric_limits<double>::infinity();

TEST(Geometry, ContainmentExcludesMaxEdgesAndStandardises) {
    const QRectF r(10, 20, 30, 40);
    EXPECT_TRUE(geom::contains(r, QPointF(10, 20)));
    EXPECT_FALSE(geom::contains(r, QPointF(40, 30)));
    EXPECT_FALSE(geom::contains(r, QPointF(20, 60)));
    EXPECT_TRUE(geom::contains(QRectF(40, 60, -30, -40), QPointF(10, 20)));
    EXPECT_FALSE(geom::contains(QRectF(10, 20, 0, 40), QPointF(10, 20)));
    EXPECT_FALSE(geom::contains(geom::nullRect(), QPointF(0, 0)));

    EXPECT_TRUE(geom::contains(r, QRectF(10, 20, 30, 40)));
    EXPECT_TRUE(geom::contains(r, QRectF(40, 60, -5, -5)));
    EXPECT_FALSE(geom::contains(r, QRectF(10, 20, 30.5, 40)));
    EXPECT_FALSE(geom::contains(r, geom::nullRect()));
}

TEST(Geometry, IntersectionsAreNullWhenDisjointAndEmptyWhenTouching) {
    const QRectF a(0, 0, 10, 10);
    EXPECT_TRUE(geom::isNull(geom::intersection(a, QRectF(11, 0, 5, 5))));
    const QRectF touching = geom::intersection(a, QRectF(10, 2, 5, 5));
    EXPECT_FALSE(geom::isNull(touching));
    EXPECT_TRUE(geom::isEmpty(touching));
    EXPECT_TRUE(geom::exactlyEqual(geom::intersection(a, QRectF(5, -5, 10, 10)), QRectF(5, 0, 5, 5)));
    EXPECT_TRUE(geom::isNull(geom::intersection(a, geom::nullRect())));

    EXPECT_TRUE(geom::exactlyEqual(geom::united(geom::nullRect(), QRectF(1, 2, -1, 3)), QRectF(0, 2, 1, 3)));
    EXPECT_TRUE(geom::exactlyEqual(geom::united(a, QRectF(20, 20, 1, 1)), QRectF(0, 0, 21, 21)));
}

TEST(Geometry, IntegralRoundsOutwardAndInsetsStandardise) {
    EXPECT_TRUE(geom::exactlyEqual(geom::integral(QRectF(0.5, -0.5, 1, 1)), QRectF(0, -1, 2, 2)));
    EXPECT_TRUE(geom::exactlyEqual(geom::integral(QRectF(2, 3, 4, 5)), QRectF(2, 3, 4, 5)));
    EXPECT_TRUE(geom::isNull(geom::integral(geom::nullRect())));

    EXPECT_TRUE(geom::exactlyEqual(geom::insetBy(QRectF(10, 10, -10, 10), -2, 1), QRectF(-2, 11, 14, 8)));
    EXPECT_TRUE(geom::isNull(geom::insetBy(QRectF(0, 0, 4, 4), 3, 0)));
}

TEST(Geometry, EqualityIsExact) {
    EXPECT_FALSE(geom::exactlyEqual(QRectF(0, 0, 1, 1), QRectF(0, 0, 1 + 1e-15, 1)));
    EXPECT_TRUE(QRectF(0, 0, 1, 1) == QRectF(0, 0, 1 + 1e-15, 1)); // why Qt's own == is not used
    EXPECT_TRUE(geom::exactlyEqual(QRectF(10, 10, -10, -10), QRectF(0, 0, 10, 10)));
    EXPECT_TRUE(geom::exactlyEqual(geom::nullRect(), geom::nullRect()));
    EXPECT_FALSE(geom::exactlyEqual(geom::nullRect(), QRectF()));
}

TEST(Geometry, RoundingAndUlps) {
    EXPECT_EQ(geom::roundHalfAway(2.5), 3);
    EXPECT_EQ(geom::roundHalfAway(-2.5), -3);
    EXPECT_EQ(geom::roundHalfAway(0.49999999999999994), 0);
    EXPECT_EQ(geom::ulp(1.0), std::nextafter(1.0, 2.0) - 1.0);
    EXPECT_EQ(geom::ulp(-1024.0), std::nextafter(1024.0, 2048.0) - 1024.0);
    EXPECT_EQ(geom::ulp(0.0), std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(geom::ulp(1e-310), std::numeric_limits<double>::denorm_min());
    EXPECT_TRUE(std::isnan(geom::ulp(inf)));
}

} // namespace
} // namespace quorvane
