#include "canvas/Measurement.h"

#include "canvas/EdgeMeasurer.h"
#include "support/TestAnnotations.h"

#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace quorvane {
namespace {

using test::filledImage;

TEST(MeasurementUnit, StoredByItsCaseNameWithItsLabelSuffix) {
    for (const MeasurementUnit unit : allMeasurementUnits)
        EXPECT_EQ(measurementUnit(rawValue(unit)), unit);
    EXPECT_FALSE(measurementUnit(QStringLiteral("Points")));
    EXPECT_FALSE(measurementUnit(QString()));
    EXPECT_EQ(labelSuffix(MeasurementUnit::pixels), "px");
    EXPECT_EQ(labelSuffix(MeasurementUnit::points), "pt");
}

TEST(Measurement, LabelsStraightAndDiagonalSegmentsInEitherUnit) {
    struct Case {
        QPointF end;
        MeasurementUnit unit;
        double scale;
        const char* label;
    };
    const Case cases[] = {
        {{100, 0}, MeasurementUnit::pixels, 1, "100 px"},
        {{100, 0}, MeasurementUnit::points, 2, "50 pt"},
        {{0, -7}, MeasurementUnit::pixels, 2, "7 px"}, // the scale only divides points
        {{3, 4}, MeasurementUnit::pixels, 1, "3 \u00D7 4 \u00B7 5 px"},
        {{1, 1}, MeasurementUnit::pixels, 1, "1 \u00D7 1 \u00B7 1.4 px"},
        {{-3, 0}, MeasurementUnit::points, 2, "1.5 pt"},
        {{100, 0}, MeasurementUnit::points, 0, "100 pt"},
        {{100, 0}, MeasurementUnit::points, std::numeric_limits<double>::quiet_NaN(), "100 pt"},
        {{0, 0}, MeasurementUnit::pixels, 1, "0 px"},
    };
    for (const Case& c : cases)
        EXPECT_EQ((Measurement{QPointF(0, 0), c.end}.label(c.unit, c.scale)), QString::fromUtf8(c.label))
            << c.label;
}

TEST(Measurement, SnapsToWholePixelsAndWithShiftToEightDirections) {
    struct Case {
        QPointF a, b;
        bool constrain;
        QPointF start, end;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {{0.5, 1.4}, {10.5, 3.6}, false, {1, 1}, {11, 4}},
        {{0, 0}, {10, 3}, true, {0, 0}, {10, 0}},
        {{0, 0}, {10, 8}, true, {0, 0}, {9, 9}},
        {{0, 0}, {-10, 8}, true, {0, 0}, {-9, 9}},
        {{0, 0}, {2, -30}, true, {0, 0}, {0, -30}},
        {{nan, 5}, {3, std::numeric_limits<double>::infinity()}, false, {0, 5}, {3, 0}},
    };
    for (const Case& c : cases) {
        const Measurement m = Measurement::between(c.a, c.b, c.constrain);
        EXPECT_EQ(m, (Measurement{c.start, c.end})) << c.b.x() << "," << c.b.y();
    }
}

EdgeGrid const& gridOf(const QImage& image) {
    static std::shared_ptr<const EdgeGrid> keep;
    keep = EdgeGrid::make(image);
    return *keep;
}

TEST(EdgeMeasurer, FindsTheRunOfOneColourThroughThePointer) {
    // A white 20 × 10 image with a one-pixel vertical line at x 8 and a grey block on the right.
    QImage image = filledImage(Qt::white, 20, 10);
    {
        QPainter p(&image);
        p.fillRect(QRect(8, 0, 1, 10), QColor(0, 0, 0));
        p.fillRect(QRect(15, 0, 5, 10), QColor(243, 243, 243)); // 12 below white: the same colour
    }
    const EdgeGrid& grid = gridOf(image);
    using A = EdgeMeasurer::Axis;
    EXPECT_EQ(EdgeMeasurer::span(grid, {8.5, 3.2}, A::horizontal, 12), (Measurement{{8, 3.5}, {9, 3.5}}));
    // Uniform to the left of the line: the span starts at 0.
    EXPECT_EQ(EdgeMeasurer::span(grid, {2, 3}, A::horizontal, 12), (Measurement{{0, 3.5}, {8, 3.5}}));
    // A difference of exactly the tolerance is the same colour; one more is an edge.
    EXPECT_EQ(EdgeMeasurer::span(grid, {12, 3}, A::horizontal, 12), (Measurement{{9, 3.5}, {20, 3.5}}));
    EXPECT_EQ(EdgeMeasurer::span(grid, {12, 3}, A::horizontal, 11), (Measurement{{9, 3.5}, {15, 3.5}}));
    // A column of one colour has no span; nor do points off the image.
    EXPECT_FALSE(EdgeMeasurer::span(grid, {2, 3}, A::vertical, 12));
    for (const QPointF p : {QPointF(-0.1, 3), QPointF(20, 3), QPointF(3, 10), QPointF(NAN, 1)})
        EXPECT_FALSE(EdgeMeasurer::span(grid, p, A::horizontal, 12)) << p.x() << "," << p.y();
}

TEST(EdgeMeasurer, VerticalSpansAndUniformImages) {
    QImage image = filledImage(Qt::white, 6, 9);
    image.setPixelColor(2, 6, Qt::blue);
    const EdgeGrid& grid = gridOf(image);
    EXPECT_EQ(EdgeMeasurer::span(grid, {2.9, 1}, EdgeMeasurer::Axis::vertical, 12),
              (Measurement{{2.5, 0}, {2.5, 6}}));
    EXPECT_EQ(EdgeMeasurer::span(grid, {2, 8}, EdgeMeasurer::Axis::vertical, 12),
              (Measurement{{2.5, 7}, {2.5, 9}}));

    const EdgeGrid& plain = gridOf(filledImage(Qt::red, 30, 30));
    for (int y = 0; y < 30; y += 7)
        for (int x = 0; x < 30; x += 7) {
            EXPECT_FALSE(EdgeMeasurer::span(plain, QPointF(x, y), EdgeMeasurer::Axis::horizontal, 12));
            EXPECT_FALSE(EdgeMeasurer::span(plain, QPointF(x, y), EdgeMeasurer::Axis::vertical, 12));
        }
}

} // namespace
} // namespace quorvane
