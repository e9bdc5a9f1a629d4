#include "document/CanvasTransform.h"

#include "core/Geometry.h"

#include <gtest/gtest.h>
#include <limits>

namespace quorvane {
namespace {

TEST(CanvasTransform, FitZoomNeedsFourPositiveFiniteSides) {
    EXPECT_EQ(CanvasTransform::fitZoom(QSizeF(2000, 1000), QSizeF(1000, 800)), 0.5);
    for (double bad :
         {0.0, -5.0, std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_EQ(CanvasTransform::fitZoom(QSizeF(bad, 1000), QSizeF(1000, 800)), 1.0);
        EXPECT_EQ(CanvasTransform::fitZoom(QSizeF(2000, 1000), QSizeF(1000, bad)), 1.0);
    }
}

TEST(CanvasTransform, ViewPointsSnapOnlyWithinRoundingErrorAndSelectionsAreWholePixels) {
    // At zoom 0.1 the image rect starts at x = 100: 101.2 is exactly pixel 12, 101.20001 is not.
    const CanvasTransform far{QSizeF(100, 100), QSizeF(210, 100), 0.1, QPointF(0, 0)};
    ASSERT_EQ(far.imageRect().x(), 100);
    EXPECT_EQ(far.imagePoint(QPointF(101.2, 45)).x(), 12.0);
    const double kept = far.imagePoint(QPointF(101.20001, 45)).x();
    EXPECT_NE(kept, 12.0);
    EXPECT_NEAR(kept, 12.0001, 1e-9);

    // Image rect (100, 50, 100, 100) at zoom 1; selections either way round, outward to whole pixels.
    const CanvasTransform t{QSizeF(100, 100), QSizeF(300, 200), 1, QPointF(0, 0)};
    EXPECT_TRUE(geom::exactlyEqual(t.imageRect(), QRectF(100, 50, 100, 100)));
    EXPECT_TRUE(geom::exactlyEqual(t.imagePoint(QPointF(150, 75)), QPointF(50, 25)));
    for (const auto& [from, to] :
         {std::pair(QPointF(110, 60), QPointF(130, 70)), {QPointF(130, 70), QPointF(110, 60)}})
        EXPECT_TRUE(geom::exactlyEqual(t.selection(from, to).value_or(QRectF()), QRectF(10, 10, 20, 10)));
    EXPECT_TRUE(geom::exactlyEqual(t.selection(QPointF(110.2, 60.7), QPointF(130.2, 80.7)).value_or(QRectF()),
                                   QRectF(10, 10, 21, 21)));
    // Starting or ending outside, without width, not a number, or at zoom 0: none.
    EXPECT_FALSE(t.selection(QPointF(99, 60), QPointF(130, 70)));
    EXPECT_FALSE(t.selection(QPointF(110, 60), QPointF(201, 70)));
    EXPECT_FALSE(t.selection(QPointF(110, 60), QPointF(110, 70)));
    EXPECT_FALSE(t.selection(QPointF(110, std::numeric_limits<double>::quiet_NaN()), QPointF(130, 70)));
    EXPECT_FALSE((CanvasTransform{QSizeF(100, 100), QSizeF(300, 200), 0, QPointF(0, 0)}.selection(
        QPointF(110, 60), QPointF(130, 70))));
}

} // namespace
} // namespace quorvane
