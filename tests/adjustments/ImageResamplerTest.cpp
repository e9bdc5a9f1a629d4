#include "adjustments/ImageResampler.h"

#include "platform/AnonymousMemory.h"

#include <QColorSpace>
#include <gtest/gtest.h>
#include <limits>

namespace quorvane {
namespace {

using ImageResampler::Quality;

QImage tagged(QImage image, const QColorSpace& space = QColorSpace::SRgb) {
    image.setColorSpace(space);
    return image;
}

QImage checkerboard() {
    QImage image = tagged(QImage(2, 2, QImage::Format_RGBA8888_Premultiplied));
    image.setPixelColor(0, 0, Qt::red);
    image.setPixelColor(1, 0, Qt::green);
    image.setPixelColor(0, 1, Qt::blue);
    image.setPixelColor(1, 1, Qt::white);
    return image;
}

TEST(ImageResampler, RefusesSidesBelowOnePixelBeforeRoundingAndDrawsOverlaysTopDown) {
    const auto before = AnonymousMemory::counters();
    for (Quality quality : ImageResampler::allQualities) {
        SCOPED_TRACE(ImageResampler::rawValue(quality).toStdString());
        for (const QSizeF bad : {QSizeF(0.6, 10), QSizeF(10, std::numeric_limits<double>::quiet_NaN()),
                                 QSizeF(std::numeric_limits<double>::infinity(), 10)})
            EXPECT_FALSE(ImageResampler::resize(checkerboard(), bad, quality));
        const auto tiny = ImageResampler::resize(checkerboard(), QSizeF(1.4, 1.4), quality);
        ASSERT_TRUE(tiny);
        EXPECT_EQ(tiny->size(), QSize(1, 1));
        EXPECT_TRUE(ImageResampler::isSRGB8(*tiny));
        // The overlay draws once on the resized pixels, rows top down.
        int calls = 0;
        const auto result = ImageResampler::resize(checkerboard(), QSizeF(10, 10), quality,
                                                   [&](QPainter& painter, QImage& target) {
                                                       ++calls;
                                                       EXPECT_EQ(target.size(), QSize(10, 10));
                                                       painter.fillRect(QRect(0, 0, 10, 3), Qt::black);
                                                   });
        ASSERT_TRUE(result);
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(result->pixelColor(5, 0), QColor(Qt::black));
        EXPECT_EQ(result->pixelColor(0, 9).blue(), 255);
    }
    EXPECT_FALSE(ImageResampler::quality(QStringLiteral("bicubic")));
    // Nothing stays mapped once the results are gone.
    EXPECT_EQ(AnonymousMemory::counters().liveBytes, before.liveBytes);
}

TEST(ImageResampler, NearestCopiesBlocksAndSmoothBlends) {
    const auto nearest = ImageResampler::resize(checkerboard(), QSizeF(4, 4), Quality::nearest);
    ASSERT_TRUE(nearest);
    const QColor expected[2][2] = {{Qt::red, Qt::green}, {Qt::blue, Qt::white}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(nearest->pixelColor(x, y), expected[y / 2][x / 2]) << x << ", " << y;
    const auto smooth = ImageResampler::resize(checkerboard(), QSizeF(4, 4), Quality::smooth);
    ASSERT_TRUE(smooth);
    const QColor blended = smooth->pixelColor(1, 1);
    EXPECT_TRUE(blended.green() > 0 && blended.blue() > 0 && blended.red() < 255);
}

TEST(ImageResampler, HighQualityKeepsFlatAreasAndStepsAndNeverLeavesColourAboveAlpha) {
    // Half-transparent white beside opaque black: at each edge the colour rings up where the alpha
    // rings down.
    QImage image = tagged(QImage(64, 48, QImage::Format_RGBA8888_Premultiplied));
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(x, y, (x / 3 + y / 5) % 2 ? QColor(255, 255, 255, 128) : QColor(0, 0, 0));
    for (QSizeF size : {QSizeF(23, 17), QSizeF(150, 101)}) {
        const auto scaled = ImageResampler::resize(image, size, Quality::highQuality);
        ASSERT_TRUE(scaled);
        for (int y = 0; y < scaled->height(); ++y) {
            const uchar* p = scaled->constScanLine(y);
            for (int x = 0; x < scaled->width(); ++x, p += 4)
                ASSERT_TRUE(p[0] <= p[3] && p[1] <= p[3] && p[2] <= p[3]) << x << ", " << y;
        }
    }

    // Top red, bottom blue, halved and doubled: flat areas stay exact and keep their side.
    QImage halves = tagged(QImage(40, 40, QImage::Format_RGBX8888));
    halves.fill(QColor(20, 40, 200));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            halves.setPixelColor(x, y, QColor(200, 30, 10));
    for (int side : {20, 80}) {
        const auto scaled = ImageResampler::resize(halves, QSizeF(side, side), Quality::highQuality);
        ASSERT_TRUE(scaled);
        EXPECT_EQ(scaled->pixelColor(0, 0), QColor(200, 30, 10));
        EXPECT_EQ(scaled->pixelColor(side - 1, side - 1), QColor(20, 40, 200));
    }

    // A black-to-white step stays sharp: the pixels on either side keep most of their own value.
    QImage step = tagged(QImage(32, 1, QImage::Format_RGBA8888_Premultiplied));
    step.fill(Qt::black);
    for (int x = 16; x < 32; ++x)
        step.setPixelColor(x, 0, Qt::white);
    const auto wide = ImageResampler::resize(step, QSizeF(64, 1), Quality::highQuality);
    const auto narrow = ImageResampler::resize(step, QSizeF(16, 1), Quality::highQuality);
    ASSERT_TRUE(wide && narrow);
    EXPECT_LT(wide->pixelColor(31, 0).red(), 70);
    EXPECT_GT(wide->pixelColor(32, 0).red(), 185);
    EXPECT_LT(narrow->pixelColor(7, 0).red(), 30);
    EXPECT_GT(narrow->pixelColor(8, 0).red(), 225);
}

TEST(ConvertToSRGB, KeepsTheExportFormatAndConvertsEverythingElse) {
    for (auto format :
         {QImage::Format_RGBA8888, QImage::Format_RGBA8888_Premultiplied, QImage::Format_RGBX8888}) {
        const QImage image = tagged(QImage(4, 3, format));
        ASSERT_TRUE(ImageResampler::isSRGB8(image));
        EXPECT_EQ(ImageResampler::convertToSRGB(image)->constBits(), image.constBits())
            << "copied " << format;
    }
    // ARGB32 is BGRA in memory, an untagged image has no colour space, Display P3 and 16-bit images
    // need converting.
    QImage argb(3, 2, QImage::Format_ARGB32), wide(3, 2, QImage::Format_RGBA64);
    argb.fill(QColor(200, 100, 50, 255));
    wide.fill(QColor(200, 100, 50));
    for (const QImage& image : {tagged(argb), argb, tagged(wide), tagged(argb, QColorSpace::DisplayP3)}) {
        EXPECT_FALSE(ImageResampler::isSRGB8(image));
        const auto converted = ImageResampler::convertToSRGB(image);
        ASSERT_TRUE(converted);
        EXPECT_EQ(converted->format(), QImage::Format_RGBA8888_Premultiplied);
        EXPECT_EQ(converted->colorSpace(), QColorSpace(QColorSpace::SRgb));
        EXPECT_EQ(converted->size(), QSize(3, 2));
    }
    const auto fromArgb = ImageResampler::convertToSRGB(tagged(argb));
    const uchar* rgba = fromArgb->constBits();
    EXPECT_EQ((std::array<int, 4>{rgba[0], rgba[1], rgba[2], rgba[3]}),
              (std::array<int, 4>{200, 100, 50, 255}));
    // P3's red lies outside sRGB: it stays the most saturated red sRGB has.
    QImage p3Red(1, 1, QImage::Format_RGBX8888);
    p3Red.fill(QColor(255, 0, 0));
    EXPECT_EQ(ImageResampler::convertToSRGB(tagged(p3Red, QColorSpace::DisplayP3))->pixelColor(0, 0).red(),
              255);
    EXPECT_FALSE(ImageResampler::convertToSRGB(QImage()));
}

} // namespace
} // namespace quorvane
