#include "imaging/CaptureGeometry.h"

#include "platform/AnonymousMemory.h"
#include "support/ImageCompare.h"

#include <array>
#include <gtest/gtest.h>
#include <limits>

namespace quorvane {
namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// Compared exactly: QRectF's == is fuzzy.
using Edges = std::array<double, 4>;
Edges edges(const std::optional<QRectF>& r) {
    return r ? Edges{r->x(), r->y(), r->width(), r->height()} : Edges{-1, -1, -1, -1};
}

TEST(CaptureGeometry, CoversPointsWithWholePixelsSnappingOnlyNoise) {
    const CaptureGeometry retina{QRectF(0, 0, 1512, 982), 2};
    EXPECT_EQ(edges(retina.pixels(QRectF(0, 0, 1512, 982))), (Edges{0, 0, 3024, 1964}));
    // Half points land on whole pixels without an extra pixel; negative sizes are standardised.
    EXPECT_EQ(edges(retina.pixels(QRectF(10.5, 20.5, 100, 50))), (Edges{21, 41, 200, 100}));
    EXPECT_EQ(edges(retina.pixels(QRectF(110.5, 70.5, -100, -50))), (Edges{21, 41, 200, 100}));
    // Pixels count from the display's own top left.
    const CaptureGeometry second{QRectF(1512, -200, 800, 600), 1};
    EXPECT_EQ(edges(second.pixels(QRectF(1522, -190, 10.25, 5))), (Edges{10, 10, 11, 5}));

    // Pixel 29 comes back as 28.999999999999996 and 71 as 71.00000000000001: unsnapped, flooring
    // and ceiling would each add a pixel. 1e-5 pixels off is a real fraction and is not snapped.
    const double scale = 1.1, left = 29 / scale, size = 71 / scale - left, off = 1e-5 / scale;
    ASSERT_LT(left * scale, 29.0);
    ASSERT_GT((left + size) * scale, 71.0);
    const CaptureGeometry geometry{QRectF(0, 0, 1000, 800), scale};
    EXPECT_EQ(edges(geometry.pixels(QRectF(left, left, size, size))), (Edges{29, 29, 42, 42}));
    EXPECT_EQ(edges(geometry.pixels(QRectF(left + off, left + off, size, size))), (Edges{29, 29, 43, 43}));
    EXPECT_EQ(edges(geometry.pixels(QRectF(left - off, left - off, size, size))), (Edges{28, 28, 43, 43}));
}

TEST(CaptureGeometry, RefusesUnusableGeometryAndRectangles) {
    const QRectF frame(0, 0, 100, 100), small(0, 0, 10, 10);
    const CaptureGeometry geometry{frame, 2};
    // Partly outside (never clipped), empty or not finite.
    for (const QRectF& rect : {QRectF(-1, 0, 10, 10), QRectF(95, 95, 6, 5), QRectF(10, 10, 0, 10),
                               QRectF(10, 10, 10, 0), QRectF(nan, 10, 10, 10), QRectF(10, 10, inf, 10)})
        EXPECT_FALSE(geometry.pixels(rect)) << rect.x() << "," << rect.width();
    EXPECT_TRUE(geometry.pixels(frame));
    // Unusable scales and frames, pixel sizes of 2^63 or more, and sizes that round to nothing.
    for (double scale : {0.0, -1.0, inf, nan})
        EXPECT_FALSE((CaptureGeometry{frame, scale}.pixels(small))) << scale;
    const std::pair<CaptureGeometry, QRectF> unusable[] = {
        {{QRectF(0, 0, 0, 100), 1}, QRectF(0, 0, 0, 10)},
        {{QRectF(0, 0, inf, 100), 1}, small},
        {{QRectF(0, 0, 1e10, 1e10), 1e10}, small},
        {{QRectF(0, 0, 1e300, 1), 1e300}, QRectF(0, 0, 1, 1)},
        {{QRectF(0, 0, 10, 10), 5e-324}, small}};
    for (const auto& [bad, rect] : unusable)
        EXPECT_FALSE(bad.pixels(rect)) << bad.scale;
}

// Different in every row and column, so that offsets and flips show.
QImage pattern(int width, int height, QImage::Format format) {
    QImage image(width, height, QImage::Format_RGBA8888_Premultiplied);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y, QColor(x % 256, y % 256, (x + y) % 256));
    return image.convertToFormat(format);
}

TEST(CaptureGeometry, CropsExactlyTheCoveredPixelsIntoAFreshMappedBitmap) {
    const CaptureGeometry geometry{QRectF(100, 50, 40, 30), 2};
    for (auto format :
         {QImage::Format_RGBA8888_Premultiplied, QImage::Format_RGBX8888, QImage::Format_ARGB32}) {
        auto display = std::make_unique<QImage>(pattern(80, 60, format));
        const QImage expected = display->copy(21, 20, 10, 15);
        const auto before = AnonymousMemory::counters();
        auto cropped = geometry.crop(*display, QRectF(110.5, 60, 5, 7.25));
        display.reset(); // the crop keeps no reference to the display image
        ASSERT_TRUE(cropped && cropped->format() == QImage::Format_RGBA8888_Premultiplied) << format;
        EXPECT_TRUE(test::imagesNear(*cropped, expected, 0)) << format;
        cropped.reset();
        const auto after = AnonymousMemory::counters();
        EXPECT_EQ(std::pair(after.maps, after.unmaps), std::pair(before.maps + 1, before.unmaps + 1));
    }
    // Only an image of the display's exact pixel size, and only rectangles inside the frame.
    const auto rgba = QImage::Format_RGBA8888_Premultiplied;
    for (const QImage& wrong : {pattern(79, 60, rgba), pattern(80, 61, rgba), QImage()})
        EXPECT_FALSE(geometry.crop(wrong, QRectF(100, 50, 10, 10))) << wrong.width();
    EXPECT_FALSE(geometry.crop(pattern(80, 60, rgba), QRectF(135, 50, 10, 10)));
}

TEST(CaptureGeometry, SelectsWhatTwoPointsSpanInsideTheBounds) {
    const QRectF bounds(0, 0, 100, 80);
    const auto select = [&](QPointF a, QPointF b) {
        return edges(CaptureGeometry::normalizedSelection(a, b, bounds));
    };
    EXPECT_EQ(select({10, 20}, {30.5, 45}), (Edges{10, 20, 20.5, 25}));
    EXPECT_EQ(select({30.5, 45}, {10, 20}), (Edges{10, 20, 20.5, 25}));
    EXPECT_EQ(select({-50, 70}, {50, 200}), (Edges{0, 70, 50, 10}));
    const std::pair<QPointF, QPointF> empty[] = {{{5, 5}, {5, 5}},     {{5, 5}, {50, 5}},
                                                 {{5, 5}, {5, 50}},    {{120, 5}, {150, 50}},
                                                 {{nan, 5}, {50, 50}}, {{5, 5}, {inf, 50}}};
    for (const auto& [a, b] : empty)
        EXPECT_FALSE(CaptureGeometry::normalizedSelection(a, b, bounds)) << a.x() << "," << b.x();
    EXPECT_FALSE(CaptureGeometry::normalizedSelection({5, 5}, {50, 50}, QRectF(0, 0, 0, 10)));
}

} // namespace
} // namespace quorvane
