#include "document/EdgeColor.h"

#include "document/BaseImage.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// `fill` with the given rectangles painted over it.
QImage image(int width, int height, const QColor& fill,
             const std::vector<std::pair<QRect, QColor>>& rects = {}) {
    QImage result(width, height, QImage::Format_RGBA8888_Premultiplied);
    result.fill(fill);
    QPainter painter(&result);
    for (const auto& [rect, color] : rects)
        painter.fillRect(rect, color);
    return result;
}

TEST(EdgeColor, TheMostCommonBorderBucketWinsAndTiesGoToTheFirstMet) {
    const QColor black(Qt::black), white(Qt::white), green(0, 255, 0), blue(0, 0, 255);
    QImage half(4, 4, QImage::Format_RGBA8888);
    half.fill(QColor(0, 0, 0, 128));
    // The strips are read top row, bottom row, left column, right column.
    const std::pair<QImage, QColor> cases[] = {
        // Top row black, every other edge white: 298 white samples against 102 black.
        {image(100, 100, white, {{QRect(0, 0, 100, 1), black}}), white},
        // Black at the bottom, left and right instead: 302 black against 98 white.
        {image(100, 100, white,
               {{QRect(0, 99, 100, 1), black}, {QRect(0, 0, 1, 100), black}, {QRect(99, 0, 1, 100), black}}),
         black},
        // 200 samples each: the colour of the strips' first pixel wins, whatever the bucket key.
        {image(100, 100, blue, {{QRect(0, 0, 100, 50), green}}), green},
        {image(100, 100, green, {{QRect(0, 0, 100, 50), blue}}), blue},
        // Transparent pixels read as white over white; half-transparent black is mid grey.
        {image(20, 10, Qt::transparent), white},
        {QImage(), white},
        {half, QColor(127, 127, 127)},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const QColor got = edgeColor(cases[i].first);
        EXPECT_EQ(got.toRgb(), cases[i].second.toRgb()) << "case " << i << ": " << got.name().toStdString();
        EXPECT_EQ(got.alphaF(), 1.0f);
    }
}

TEST(EdgeColor, AveragesTheActualColoursOfTheWinningBucketOnceForABase) {
    // (250, 10, 10) and (255, 12, 14) share a bucket: its mean is the result.
    QImage image(2, 1, QImage::Format_RGBA8888_Premultiplied);
    image.setPixelColor(0, 0, QColor(250, 10, 10));
    image.setPixelColor(1, 0, QColor(255, 12, 14));
    const BaseImage base(image);
    const QColor color = base.edgeColor();
    EXPECT_NEAR(color.redF(), 252.5 / 255, 1e-4);
    EXPECT_NEAR(color.greenF(), 11.0 / 255, 1e-4);
    EXPECT_NEAR(color.blueF(), 12.0 / 255, 1e-4);
    EXPECT_EQ(base.edgeColor(), color);
}

} // namespace
} // namespace quorvane
