#include "document/EdgeColor.h"

#include "document/BaseImage.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

void expectColor(const QColor& color, double r, double g, double b) {
    EXPECT_NEAR(color.redF(), r, 1e-4);
    EXPECT_NEAR(color.greenF(), g, 1e-4);
    EXPECT_NEAR(color.blueF(), b, 1e-4);
    EXPECT_EQ(color.alphaF(), 1.0f);
}

TEST(EdgeColor, MostCommonBorderBucketWins) {
    // Top row black, every other edge white: 298 white samples against 102 black.
    QImage image(100, 100, QImage::Format_RGBA8888_Premultiplied);
    image.fill(Qt::white);
    QPainter(&image).fillRect(QRect(0, 0, 100, 1), Qt::black);
    expectColor(edgeColor(image), 1, 1, 1);

    // The same with black at the bottom and left instead: black now has 199 samples plus corners.
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.fillRect(QRect(0, 99, 100, 1), Qt::black);
        painter.fillRect(QRect(0, 0, 1, 100), Qt::black);
        painter.fillRect(QRect(99, 0, 1, 100), Qt::black);
    }
    expectColor(edgeColor(image), 0, 0, 0);
}

TEST(EdgeColor, EqualCountsGoToTheBucketMetFirst) {
    // 200 samples each. Blue has the smaller bucket key, green the strips' first pixel.
    QImage image(100, 100, QImage::Format_RGBA8888_Premultiplied);
    image.fill(QColor(0, 0, 255));
    QPainter(&image).fillRect(QRect(0, 0, 100, 50), QColor(0, 255, 0));
    expectColor(edgeColor(image), 0, 1, 0);
    QPainter(&image).fillRect(QRect(0, 0, 100, 100), QColor(0, 255, 0));
    QPainter(&image).fillRect(QRect(0, 0, 100, 50), QColor(0, 0, 255));
    expectColor(edgeColor(image), 0, 0, 1);
}

TEST(EdgeColor, AveragesTheActualColoursOfTheWinningBucket) {
    // (250, 10, 10) and (255, 12, 14) share a bucket: its mean is the result.
    QImage image(2, 1, QImage::Format_RGBA8888_Premultiplied);
    image.setPixelColor(0, 0, QColor(250, 10, 10));
    image.setPixelColor(1, 0, QColor(255, 12, 14));
    expectColor(edgeColor(image), 252.5 / 255, 11.0 / 255, 12.0 / 255);
}

TEST(EdgeColor, TransparentPixelsReadAsWhite) {
    QImage clear(20, 10, QImage::Format_RGBA8888_Premultiplied);
    clear.fill(Qt::transparent);
    expectColor(edgeColor(clear), 1, 1, 1);
    expectColor(edgeColor(QImage()), 1, 1, 1);

    // Half-transparent black over white is mid grey.
    QImage half(4, 4, QImage::Format_RGBA8888);
    half.fill(QColor(0, 0, 0, 128));
    expectColor(edgeColor(half), 127.0 / 255, 127.0 / 255, 127.0 / 255);
}

TEST(EdgeColor, BaseImageComputesItOnce) {
    QImage image(8, 8, QImage::Format_RGBA8888_Premultiplied);
    image.fill(QColor(10, 200, 30));
    const BaseImage base(image);
    const QColor first = base.edgeColor();
    expectColor(first, 10.0 / 255, 200.0 / 255, 30.0 / 255);
    EXPECT_EQ(base.edgeColor(), first);
}

} // namespace
} // namespace quorvane
