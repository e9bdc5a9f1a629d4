#include "capture/CaptureGeometry.h"

#include "platform/AnonymousMemory.h"

#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace quorvane {
namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

void expectRect(const std::optional<QRectF>& actual, double x, double y, double w, double h) {
    ASSERT_TRUE(actual);
    EXPECT_EQ(actual->x(), x);
    EXPECT_EQ(actual->y(), y);
    EXPECT_EQ(actual->width(), w);
    EXPECT_EQ(actual->height(), h);
}

TEST(CaptureGeometryPixels, ConvertsPointsToCoveringPixels) {
    const CaptureGeometry retina{QRectF(0, 0, 1512, 982), 2};
    expectRect(retina.pixels(QRectF(0, 0, 1512, 982)), 0, 0, 3024, 1964);
    // Half points land on whole pixels without an extra pixel.
    expectRect(retina.pixels(QRectF(10.5, 20.5, 100, 50)), 21, 41, 200, 100);

    // A display that does not start at the root origin: pixels are relative to its own top left.
    const CaptureGeometry second{QRectF(1512, -200, 800, 600), 1};
    expectRect(second.pixels(QRectF(1522, -190, 10.25, 5)), 10, 10, 11, 5);

    // Negative sizes are read standardised.
    expectRect(retina.pixels(QRectF(110.5, 70.5, -100, -50)), 21, 41, 200, 100);
}

TEST(CaptureGeometryPixels, SnapsNoiseButNotRealFractions) {
    const double scale = 1.1;
    const CaptureGeometry geometry{QRectF(0, 0, 1000, 800), scale};
    // Pixel 29 comes back as 28.999999999999996 and pixel 71 as 71.00000000000001: without
    // snapping, flooring and ceiling would each add a pixel.
    const double left = 29 / scale, right = 71 / scale;
    ASSERT_LT(left * scale, 29.0);
    ASSERT_GT(right * scale, 71.0);
    expectRect(geometry.pixels(QRectF(left, left, right - left, right - left)), 29, 29, 42, 42);

    // 1e-5 pixels off a whole pixel is a real fraction: min edges floor, max edges ceil.
    const double off = 1e-5 / scale;
    expectRect(geometry.pixels(QRectF(left + off, left + off, right - left, right - left)), 29, 29, 43, 43);
    expectRect(geometry.pixels(QRectF(left - off, left - off, right - left, right - left)), 28, 28, 43, 43);
}

TEST(CaptureGeometryPixels, RefusesUnusableGeometryAndRectangles) {
    const CaptureGeometry geometry{QRectF(0, 0, 100, 100), 2};
    EXPECT_FALSE(geometry.pixels(QRectF(-1, 0, 10, 10))); // one point outside: no clipping
    EXPECT_FALSE(geometry.pixels(QRectF(95, 95, 6, 5)));
    EXPECT_FALSE(geometry.pixels(QRectF(10, 10, 0, 10)));
    EXPECT_FALSE(geometry.pixels(QRectF(10, 10, 10, 0)));
    EXPECT_FALSE(geometry.pixels(QRectF(nan, 10, 10, 10)));
    EXPECT_FALSE(geometry.pixels(QRectF(10, 10, inf, 10)));
    EXPECT_TRUE(geometry.pixels(QRectF(0, 0, 100, 100)));

    for (double scale : {0.0, -1.0, inf, nan})
        EXPECT_FALSE((CaptureGeometry{QRectF(0, 0, 100, 100), scale}.pixels(QRectF(0, 0, 10, 10)))) << scale;
    EXPECT_FALSE((CaptureGeometry{QRectF(0, 0, 0, 100), 1}.pixels(QRectF(0, 0, 0, 10))));
    EXPECT_FALSE((CaptureGeometry{QRectF(0, 0, inf, 100), 1}.pixels(QRectF(0, 0, 10, 10))));
    // A pixel size of 2^63 or more is refused, and so is a tiny one that rounds to nothing.
    EXPECT_FALSE((CaptureGeometry{QRectF(0, 0, 1e10, 1e10), 1e10}.pixels(QRectF(0, 0, 10, 10))));
    EXPECT_FALSE((CaptureGeometry{QRectF(0, 0, 1e300, 1), 1e300}.pixels(QRectF(0, 0, 1, 1))));
    // A positive subnormal scale is usable, but rounds every rectangle to nothing.
    EXPECT_FALSE((CaptureGeometry{QRectF(0, 0, 10, 10), 5e-324}.pixels(QRectF(0, 0, 10, 10))));
}

QImage topBottomImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGBA8888_Premultiplied);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y, QColor(x % 256, y % 256, (x + y) % 256));
    return image;
}

TEST(CaptureGeometryCrop, CopiesExactlyTheCoveredPixels) {
    const CaptureGeometry geometry{QRectF(100, 50, 40, 30), 2};
    for (auto format :
         {QImage::Format_RGBA8888_Premultiplied, QImage::Format_RGBX8888, QImage::Format_ARGB32}) {
        const QImage display = topBottomImage(80, 60).convertToFormat(format);
        const auto cropped = geometry.crop(display, QRectF(110.5, 60, 5, 7.25));
        ASSERT_TRUE(cropped) << format;
        EXPECT_EQ(cropped->size(), QSize(10, 15));
        EXPECT_EQ(cropped->format(), QImage::Format_RGBA8888_Premultiplied);
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 10; ++x)
                ASSERT_EQ(cropped->pixelColor(x, y), display.pixelColor(21 + x, 20 + y)) << x << "," << y;
    }
}

TEST(CaptureGeometryCrop, IsIndependentOfTheDisplayImage) {
    const CaptureGeometry geometry{QRectF(0, 0, 64, 64), 1};
    auto display = std::make_unique<QImage>(topBottomImage(64, 64));
    const QColor expected = display->pixelColor(10, 12);
    const auto before = AnonymousMemory::counters();
    auto cropped = geometry.crop(*display, QRectF(10, 12, 4, 4));
    ASSERT_TRUE(cropped);
    display.reset();
    EXPECT_EQ(cropped->pixelColor(0, 0), expected);
    EXPECT_EQ(AnonymousMemory::counters().maps, before.maps + 1);
    cropped.reset();
    EXPECT_EQ(AnonymousMemory::counters().unmaps, before.unmaps + 1);
}

TEST(CaptureGeometryCrop, RefusesAnImageOfAnotherSize) {
    const CaptureGeometry geometry{QRectF(0, 0, 40, 30), 2};
    EXPECT_FALSE(geometry.crop(topBottomImage(79, 60), QRectF(0, 0, 10, 10)));
    EXPECT_FALSE(geometry.crop(topBottomImage(80, 61), QRectF(0, 0, 10, 10)));
    EXPECT_FALSE(geometry.crop(QImage(), QRectF(0, 0, 10, 10)));
    EXPECT_FALSE(geometry.crop(topBottomImage(80, 60), QRectF(35, 0, 10, 10)));
    EXPECT_TRUE(geometry.crop(topBottomImage(80, 60), QRectF(0, 0, 10, 10)));
}

TEST(CaptureGeometrySelection, SpansTwoPointsInsideTheBounds) {
    const QRectF bounds(0, 0, 100, 80);
    const auto forward = CaptureGeometry::normalizedSelection(QPointF(10, 20), QPointF(30.5, 45), bounds);
    const auto backward = CaptureGeometry::normalizedSelection(QPointF(30.5, 45), QPointF(10, 20), bounds);
    expectRect(forward, 10, 20, 20.5, 25);
    expectRect(backward, 10, 20, 20.5, 25);
    expectRect(CaptureGeometry::normalizedSelection(QPointF(-50, 70), QPointF(50, 200), bounds), 0, 70, 50,
               10);

    EXPECT_FALSE(CaptureGeometry::normalizedSelection(QPointF(5, 5), QPointF(5, 5), bounds));
    EXPECT_FALSE(CaptureGeometry::normalizedSelection(QPointF(5, 5), QPointF(50, 5), bounds));
    EXPECT_FALSE(CaptureGeometry::normalizedSelection(QPointF(5, 5), QPointF(5, 50), bounds));
    EXPECT_FALSE(CaptureGeometry::normalizedSelection(QPointF(120, 5), QPointF(150, 50), bounds));
    EXPECT_FALSE(CaptureGeometry::normalizedSelection(QPointF(nan, 5), QPointF(50, 50), bounds));
    EXPECT_FALSE(CaptureGeometry::normalizedSelection(QPointF(5, 5), QPointF(inf, 50), bounds));
    EXPECT_FALSE(CaptureGeometry::normalizedSelection(QPointF(5, 5), QPointF(50, 50), QRectF(0, 0, 0, 10)));
}

} // namespace
} // namespace quorvane
