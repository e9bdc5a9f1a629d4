#include "adjustments/ImageResampler.h"
#include "document/EditorDocument.h"
#include "document/SystemColors.h"
#include "support/ImageCompare.h"
#include "support/TestAnnotations.h"

#include <QColorSpace>
#include <QPainter>
#include <future>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using K = AnnotationKind;

// Stripes that change from top to bottom, so that a flip or an offset shows.
QImage stripes(int width, int height) {
    QImage image = test::filledImage(Qt::white, width, height);
    QPainter painter(&image);
    for (int y = 0; y < height; y += 10)
        painter.fillRect(QRect(0, y, width, 10), QColor(255 * (y / 10 % 2), 128, 255 * (y * 2 / height)));
    return image;
}

::testing::AssertionResult allPixels(const QImage& image, const QRect& area, const QColor& color) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) != color)
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << " is " << image.pixelColor(x, y).name().toStdString();
    return ::testing::AssertionSuccess();
}

TEST(DocumentOutput, RedactionsStayCoveredAfterAResizeAndOnABackdrop) {
    EditorDocument document(stripes(1200, 800), std::nullopt, 1);
    document.addAnnotation(test::annotation(K::redact, QRectF(100, 100, 200, 50), QColor(0, 0, 0, 100)));
    document.addAnnotation(test::annotation(K::blur, QRectF(90, 90, 300, 100), Qt::red));
    // Unscaled, halved, and at an odd scale where the redaction's edges fall inside output pixels.
    for (const QSizeF size : {QSizeF(1200, 800), QSizeF(600, 400), QSizeF(517, 345)}) {
        for (ImageResampler::Quality quality : ImageResampler::allQualities) {
            ASSERT_TRUE(document.setOutputSize(size, quality));
            const auto result = EditorDocument::renderOutput(document.output(document.annotations()));
            ASSERT_TRUE(result.ok());
            ASSERT_EQ(result->size(), size.toSize());
            const double s = size.width() / 1200;
            const QRect covered(static_cast<int>(std::ceil(100 * s)), static_cast<int>(std::ceil(100 * s)),
                                static_cast<int>(std::floor(200 * s)), static_cast<int>(std::floor(50 * s)));
            EXPECT_TRUE(allPixels(*result, covered, Qt::black))
                << ImageResampler::rawValue(quality).toStdString();
        }
    }
    ASSERT_TRUE(document.setOutputSize(QSizeF(600, 400), ImageResampler::Quality::highQuality));
    const Backdrop backdrop = Backdrop::preset(Backdrop::Preset::ocean, 1);
    document.setBackdrop(backdrop);
    const auto framed = EditorDocument::renderOutput(document.output(document.annotations()));
    ASSERT_TRUE(framed.ok());
    const int p = backdrop.padding;
    EXPECT_EQ(framed->size(), QSize(600 + 2 * p, 400 + 2 * p));
    EXPECT_TRUE(allPixels(*framed, QRect(50 + p, 50 + p, 100, 25), Qt::black));
    EXPECT_TRUE(ImageResampler::isSRGB8(*framed));
}

TEST(DocumentOutput, ReportsWhatCouldNotBeMadeAndOtherwiseOnlyConvertsToSRGB) {
    EditorDocument document(stripes(200, 100), std::nullopt, 1);
    document.addAnnotation(test::annotation(K::rectangle, QRectF(10, 10, 50, 50), Qt::red));
    EditorDocument::Output output = document.output(document.annotations());
    // The error of the rendering as "domain code message".
    const auto error = [&] {
        const auto result = EditorDocument::renderOutput(output);
        if (result.ok()) return QString();
        return result.error().domain + u' ' + QString::number(result.error().code) + u' ' +
               result.error().message;
    };
    Backdrop wide;
    wide.padding = 8100;
    output.backdrop = wide;
    EXPECT_EQ(error(), "Quorvane.Render 3 " + *wide.problem(QSizeF(200, 100)));
    output.backdrop.reset();
    output.outputSize = QSizeF(0.5, 100);
    EXPECT_EQ(error(), "Quorvane.Render 2 Could not allocate the resized image.");
    output.image = QImage();
    EXPECT_EQ(error(), "Quorvane.Render 1 Could not allocate the annotated image.");

    QImage rgb(30, 20, QImage::Format_RGB888);
    rgb.fill(QColor(10, 200, 30));
    const auto plain = EditorDocument::renderOutput(EditorDocument(rgb, std::nullopt, 1).output({}));
    ASSERT_TRUE(plain.ok());
    EXPECT_TRUE(ImageResampler::isSRGB8(*plain));
    EXPECT_EQ(plain->pixelColor(29, 19), QColor(10, 200, 30));
}

TEST(DocumentOutput, RendersTheSameOnAWorkerThread) {
    EditorDocument document(stripes(300, 200), std::nullopt, 2);
    Annotation text = test::annotation(K::text, QRectF(10, 10, 200, 60), Qt::black);
    text.text = QStringLiteral("Worker");
    Annotation counter = test::annotation(K::counter, QRectF(220, 20, 50, 50), SystemColors::blue());
    for (const Annotation& a : {text, counter, test::annotation(K::pixelate, QRectF(20, 100, 100, 60)),
                                test::annotation(K::spotlight, QRectF(150, 100, 100, 60))})
        document.addAnnotation(a);
    ASSERT_TRUE(document.setOutputSize(QSizeF(150, 100), std::nullopt));
    const EditorDocument::Output output = document.output(document.annotations());
    const auto here = EditorDocument::renderOutput(output);
    auto there =
        std::async(std::launch::async, [output] { return EditorDocument::renderOutput(output); }).get();
    ASSERT_TRUE(here.ok() && there.ok());
    EXPECT_TRUE(test::imagesNear(*there, *here, 0));
}

TEST(DocumentOutput, FlattenBurnsTheAnnotationsIntoTheBase) {
    EditorDocument document(stripes(100, 100), std::nullopt, 1);
    document.addAnnotation(test::annotation(K::redact, QRectF(10, 10, 20, 20), Qt::black));
    ASSERT_TRUE(document.crop(QRectF(5, 5, 50, 50)));
    EXPECT_EQ(document.flatten(), FlattenResult::flattened);
    EXPECT_TRUE(document.annotations().empty());
    const QImage& base = document.base()->image();
    EXPECT_EQ(base.size(), QSize(50, 50));
    EXPECT_TRUE(allPixels(base, QRect(5, 5, 20, 20), Qt::black));
    EXPECT_EQ(base.pixelColor(30, 30), stripes(100, 100).pixelColor(35, 35));
}

TEST(DocumentOutput, OnlyWhatPrecedesTheFirstSpotlightLiesUnderIt) {
    EditorDocument document(stripes(100, 100), std::nullopt, 1);
    const Annotation below = test::annotation(K::rectangle, QRectF(0, 0, 10, 10)),
                     spotlight = test::annotation(K::spotlight, QRectF(20, 20, 10, 10)),
                     above = test::annotation(K::oval, QRectF(40, 40, 10, 10));
    EXPECT_FALSE(document.liesUnderSpotlight(below.id));
    for (const Annotation& a : {below, spotlight, above})
        document.addAnnotation(a);
    EXPECT_TRUE(document.liesUnderSpotlight(below.id));
    EXPECT_FALSE(document.liesUnderSpotlight(spotlight.id) || document.liesUnderSpotlight(above.id) ||
                 document.liesUnderSpotlight(QUuid::createUuid()));
}

} // namespace
} // namespace quorvane
