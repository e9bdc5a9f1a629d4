#include "adjustments/ImageResampler.h"

#include <QColorSpace>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

QImage tagged(QImage image, const QColorSpace& space) {
    image.setColorSpace(space);
    return image;
}

TEST(ConvertToSRGB, KeepsImagesAlreadyInTheExportFormat) {
    for (auto format :
         {QImage::Format_RGBA8888, QImage::Format_RGBA8888_Premultiplied, QImage::Format_RGBX8888}) {
        const QImage image = tagged(QImage(4, 3, format), QColorSpace::SRgb);
        ASSERT_TRUE(ImageResampler::isSRGB8(image));
        const auto converted = ImageResampler::convertToSRGB(image);
        ASSERT_TRUE(converted);
        EXPECT_EQ(converted->constBits(), image.constBits()) << "copied " << format;
    }
}

TEST(ConvertToSRGB, ConvertsEverythingElseIntoPremultipliedSRGB) {
    // ARGB32 is BGRA in memory, an untagged image has no colour space, Display P3 and 16-bit
    // images need converting.
    QImage argb(3, 2, QImage::Format_ARGB32);
    argb.fill(QColor(200, 100, 50, 255));
    QImage wide(3, 2, QImage::Format_RGBA64);
    wide.fill(QColor(200, 100, 50));
    const QImage cases[] = {tagged(argb, QColorSpace::SRgb), QImage(argb), tagged(wide, QColorSpace::SRgb),
                            tagged(argb, QColorSpace::DisplayP3)};
    for (const QImage& image : cases) {
        EXPECT_FALSE(ImageResampler::isSRGB8(image));
        const auto converted = ImageResampler::convertToSRGB(image);
        ASSERT_TRUE(converted);
        EXPECT_EQ(converted->format(), QImage::Format_RGBA8888_Premultiplied);
        EXPECT_EQ(converted->colorSpace(), QColorSpace(QColorSpace::SRgb));
        EXPECT_EQ(converted->size(), QSize(3, 2));
        EXPECT_TRUE(ImageResampler::isSRGB8(*converted));
    }
    const auto fromArgb = ImageResampler::convertToSRGB(tagged(argb, QColorSpace::SRgb));
    const uchar* rgba = fromArgb->constBits();
    EXPECT_EQ((std::array<int, 4>{rgba[0], rgba[1], rgba[2], rgba[3]}),
              (std::array<int, 4>{200, 100, 50, 255}));

    // P3's red lies outside sRGB: it stays the most saturated red sRGB has.
    QImage p3Red(1, 1, QImage::Format_RGBX8888);
    p3Red.fill(QColor(255, 0, 0));
    const auto fromP3 = ImageResampler::convertToSRGB(tagged(p3Red, QColorSpace::DisplayP3));
    EXPECT_EQ(fromP3->pixelColor(0, 0).red(), 255);

    EXPECT_FALSE(ImageResampler::convertToSRGB(QImage()));
}

} // namespace
} // namespace quorvane
