#include "document/CanvasTransform.h"

#include "platform/Geometry.h"

#include <gtest/gtest.h>
#include <limits>

namespace quorvane {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

TEST(CanvasTransform, FitZoomNeedsFourPositiveFiniteSides) {
    EXPECT_EQ(CanvasTransform::fitZoom(QSizeF(2000, 1000), QSizeF(1000, 800)), 0.5);
    for (double bad : {0.0, -5.0, inf, nan}) {
        EXPECT_EQ(CanvasTransform::fitZoom(QSizeF(bad, 1000), QSizeF(1000, 800)), 1.0);
        EXPECT_EQ(CanvasTransform::fitZoom(QSizeF(2000, 1000), QSizeF(1000, bad)), 1.0);
    }
}

TEST(CanvasTransform, ViewPointsSnapToWholePixelsOnlyWithinRoundingError) {
    const CanvasTransform centred{QSizeF(100, 100), QSizeF(300, 200), 1, QPointF(0, 0)};
    EXPECT_TRUE(geom::exactlyEqual(centred.imageRect(), QRectF(100, 50, 100, 100)));
    EXPECT_TRUE(geom::exactlyEqual(centred.imagePoint(QPointF(150, 75)), QPointF(50, 25)));

    // The image rect starts at x = 100 and y = 45.
    const CanvasTransform far{QSizeF(100, 100), QSizeF(210, 100), 0.1, QPointF(0, 0)};
    ASSERT_EQ(far.imageRect().x(), 100);
    EXPECT_EQ(far.imagePoint(QPointF(101.2, 45)).x(), 12.0);
    const double kept = far.imagePoint(QPointF(101.20001, 45)).x();
    EXPECT_NE(kept, 12.0);
    EXPECT_NEAR(kept, 12.0001, 1e-9);
}

TEST(CanvasTransform, SelectionsAreWholePixelsInsideTheCanvas) {
    // Image rect (100, 50, 100, 100) at zoom 1.
    const CanvasTransform t{QSizeF(100, 100), QSizeF(300, 200), 1, QPointF(0, 0)};
    const auto forward = t.selection(QPointF(110, 60), QPointF(130, 70));
    const auto backward = t.selection(QPointF(130, 70), QPointF(110, 60));
    ASSERT_TRUE(forward && backward);
    EXPECT_TRUE(geom::exactlyEqual(*forward, *backward));
    EXPECT_TRUE(geom::exactlyEqual(*forward, QRectF(10, 10, 20, 10)));

    const auto widened = t.selection(QPointF(110.2, 60.7), QPointF(130.2, 80.7));
    ASSERT_TRUE(widened);
    EXPECT_TRUE(geom::exactlyEqual(*widened, QRectF(10, 10, 21, 21)));

    EXPECT_FALSE(t.selection(QPointF(99, 60), QPointF(130, 70)));  // starts outside
    EXPECT_FALSE(t.selection(QPointF(110, 60), QPointF(201, 70))); // ends outside
    EXPECT_FALSE(t.selection(QPointF(110, 60), QPointF(110, 70))); // no width
    EXPECT_FALSE(t.selection(QPointF(110, nan), QPointF(130, 70)));
    EXPECT_FALSE((CanvasTransform{QSizeF(100, 100), QSizeF(300, 200), 0, QPointF(0, 0)}.selection(
        QPointF(110, 60), QPointF(130, 70))));
}

} // namespace
} // namespace quorvane
