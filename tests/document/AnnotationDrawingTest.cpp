#include "document/AnnotationDrawing.h"

#include "document/EditorDocument.h"
#include "document/OverlayBudget.h"
#include "document/SystemColors.h"
#include "support/ImageCompare.h"
#include "support/TestAnnotations.h"

#include <QColorSpace>
#include <QPainter>
#include <QPicture>
#include <cmath>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// Squares of 8 pixels whose colours change from top to bottom and left to right, so that
// effects, flips and offsets all show.
QImage pattern(int width = 160, int height = 120) {
    QImage image(width, height, QImage::Format_RGBA8888_Premultiplied);
    image.setColorSpace(QColorSpace::SRgb);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool dark = ((x / 8) + (y / 8)) % 2 == 0;
            image.setPixelColor(x, y, dark ? QColor(40, 60 + y, 90) : QColor(230, 200, 100 + x / 2));
        }
    return image;
}

QImage plain(const QColor& color, int width = 160, int height = 120) {
    return test::filledImage(color, width, height);
}

Annotation make(AnnotationKind kind, const QRectF& rect, const QColor& color = SystemColors::red()) {
    return test::annotation(kind, rect, color);
}

Annotation line(AnnotationKind kind, const QPointF& from, const QPointF& to, double stroke = 3) {
    Annotation a = make(kind, QRectF(from, to).normalized());
    a.start = from;
    a.end = to;
    a.strokeWidth = stroke;
    return a;
}

QImage render(const std::vector<Annotation>& annotations, const QImage& image = pattern()) {
    auto result = EditorDocument::render(annotations, image, QRectF(0, 0, image.width(), image.height()));
    EXPECT_TRUE(result.ok());
    return result.ok() ? result.value() : QImage();
}

QColor at(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

::testing::AssertionResult colorNear(const QColor& actual, const QColor& expected, int tolerance = 2) {
    const int d =
        std::max({std::abs(actual.red() - expected.red()), std::abs(actual.green() - expected.green()),
                  std::abs(actual.blue() - expected.blue()), std::abs(actual.alpha() - expected.alpha())});
    if (d <= tolerance) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << actual.name(QColor::HexArgb).toStdString() << " instead of "
                                         << expected.name(QColor::HexArgb).toStdString();
}

// Antialiased edges may differ by a level or two between Qt builds.
constexpr int shapeTolerance = 24;
constexpr double shapeBadFraction = 0.004;
// Glyphs differ with the installed fonts: their images allow a share of clearly different pixels.
constexpr int glyphTolerance = 96;

TEST(AnnotationDrawing, ShapesMatchTheirGoldenImages) {
    Annotation filled = make(AnnotationKind::rectangle, QRectF(90, 10, 30, 20), SystemColors::accent());
    filled.fill = true;
    Annotation curved = line(AnnotationKind::arrow, QPointF(10, 110), QPointF(70, 70), 2);
    curved = curved.bent(QPointF(20, 70));
    Annotation freehand = make(AnnotationKind::freehand, QRectF());
    freehand.points = {{100, 60}, {110, 45}, {125, 70}, {140, 50}, {150, 65}};
    freehand.rect = Annotation::bounds(freehand.points);
    Annotation dot = make(AnnotationKind::freehand, QRectF());
    dot.points = {{150, 100}, {150, 100}};
    dot.strokeWidth = 8;
    EXPECT_TRUE(dot.isValid());
    const std::vector<Annotation> shapes = {
        line(AnnotationKind::arrow, QPointF(10, 10), QPointF(70, 40)),
        curved,
        make(AnnotationKind::rectangle, QRectF(130, 10, 20, 25)),
        filled,
        make(AnnotationKind::oval, QRectF(80, 80, 40, 25), SystemColors::cyan()),
        line(AnnotationKind::bracketOpen, QPointF(20, 50), QPointF(20, 95), 2),
        line(AnnotationKind::bracketClose, QPointF(40, 50), QPointF(40, 95), 2),
        line(AnnotationKind::braceOpen, QPointF(55, 50), QPointF(55, 95), 2),
        line(AnnotationKind::braceClose, QPointF(75, 100), QPointF(130, 100), 2),
        freehand,
        dot,
    };
    const QImage drawn = render(shapes, plain(Qt::white));
    EXPECT_TRUE(
        test::matchesGolden(drawn, QStringLiteral("annotation-shapes"), shapeTolerance, shapeBadFraction));
    // A freehand line of two equal points is still a round dot.
    EXPECT_TRUE(colorNear(at(drawn, 150, 100), SystemColors::red()));
    EXPECT_TRUE(colorNear(at(drawn, 150, 97), SystemColors::red()));
    // A filled rectangle is filled and stroked in its colour.
    EXPECT_TRUE(colorNear(at(drawn, 105, 20), SystemColors::accent()));
}

TEST(AnnotationDrawing, ArrowHeadsAreTenLongAtLeastAndFollowTheCurve) {
    Annotation a = line(AnnotationKind::arrow, QPointF(0, 0), QPointF(3, 0), 1);
    const auto head = a.arrowHead();
    // Shaft from the tail to 2.5 short of the tip; wings 10 long at 30° either side.
    EXPECT_EQ(head.shaft.elementCount(), 2);
    EXPECT_NEAR(head.shaft.elementAt(1).x, 0.5, 1e-12);
    const QRectF triangle = head.triangle.boundingRect();
    EXPECT_NEAR(triangle.left(), 3 - 10 * std::cos(M_PI / 6), 1e-9);
    EXPECT_NEAR(triangle.right(), 3, 1e-12);
    EXPECT_NEAR(triangle.height(), 10, 1e-9);
    a.strokeWidth = 5;
    EXPECT_NEAR(a.arrowHead().triangle.boundingRect().height(), 20, 1e-9);

    // The curved head points from the bend to the tip, not from the tail.
    Annotation curved = line(AnnotationKind::arrow, QPointF(0, 0), QPointF(100, 0), 2);
    curved.bend = QPointF(100, -100);
    const QPainterPath wings = curved.arrowHead().triangle;
    EXPECT_NEAR(wings.elementAt(1).y, wings.elementAt(2).y, 1e-9);
    EXPECT_NEAR(wings.elementAt(1).x + wings.elementAt(2).x, 200, 1e-9);
    EXPECT_LT(wings.elementAt(1).y, 0);
}

TEST(AnnotationDrawing, TextStaysInsideItsBox) {
    Annotation text = make(AnnotationKind::text, QRectF(10, 10, 120, 40), Qt::black);
    text.text = QStringLiteral("Wrapped words clipped at the bottom of the box and more");
    text.fontSize = 16;
    const QImage drawn = render({text}, plain(Qt::white));
    int inside = 0, outside = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x) {
            if (drawn.pixelColor(x, y) == QColor(Qt::white)) continue;
            (QRect(10, 10, 120, 40).contains(x, y) ? inside : outside) += 1;
        }
    EXPECT_GT(inside, 200);
    EXPECT_EQ(outside, 0);
    // Fonts differ between systems: only the rough shape is compared.
    EXPECT_TRUE(test::matchesGolden(drawn, QStringLiteral("annotation-text"), glyphTolerance, 0.1));
}

TEST(AnnotationDrawing, EffectsMatchTheirGoldenImages) {
    Annotation erase = make(AnnotationKind::erase, QRectF(110, 70, 30, 30), QColor(10, 200, 30));
    const QImage drawn = render({
        make(AnnotationKind::redact, QRectF(10, 10, 40, 20), Qt::black),
        make(AnnotationKind::blur, QRectF(60, 10, 80, 50)),
        make(AnnotationKind::pixelate, QRectF(10.5, 60.2, 60, 45)),
        erase,
    });
    EXPECT_TRUE(test::matchesGolden(drawn, QStringLiteral("annotation-effects"), 2));
}

TEST(AnnotationDrawing, MarksMatchTheirGoldenImages) {
    Annotation highlight = make(AnnotationKind::highlight, QRectF(10, 10, 60, 20), SystemColors::yellow());
    highlight.opacity = 0.4;
    Annotation spotlight = make(AnnotationKind::spotlight, QRectF(90, 10, 50, 40));
    spotlight.fill = true;
    Annotation magnifier = make(AnnotationKind::magnifier, QRectF(20, 60, 60, 50));
    magnifier.magnification = 3;
    QImage overlayImage = pattern(20, 10);
    auto overlay = OverlayBudget::admit(overlayImage);
    ASSERT_TRUE(overlay.ok());
    Annotation image = make(AnnotationKind::image, QRectF(100, 70, 40, 40));
    image.overlay = overlay.value();
    image.opacity = 0.5;
    const QImage drawn = render({highlight, magnifier, spotlight, image});
    EXPECT_TRUE(
        test::matchesGolden(drawn, QStringLiteral("annotation-marks"), shapeTolerance, shapeBadFraction));
}

TEST(AnnotationDrawing, CountersPickTheirInkAndCentreTheirNumber) {
    Annotation yellow = make(AnnotationKind::counter, QRectF(10, 10, 50, 50), SystemColors::yellow());
    Annotation blue = make(AnnotationKind::counter, QRectF(80, 10, 50, 50), QColor(20, 30, 120));
    blue.number = 12;
    Annotation crowded = make(AnnotationKind::counter, QRectF(20, 70, 30, 30), SystemColors::red());
    crowded.number = 4096;
    EXPECT_EQ(yellow.counterInk(), QColor(Qt::black));
    EXPECT_EQ(blue.counterInk(), QColor(Qt::white));
    const QImage drawn = render({yellow, blue, crowded}, plain(Qt::white));
    // The ring is 6 % of the side wide, in ink; the disc inside takes the colour.
    EXPECT_TRUE(colorNear(at(drawn, 11, 35), Qt::black, 40));
    EXPECT_TRUE(colorNear(at(drawn, 15, 35), SystemColors::yellow()));
    EXPECT_TRUE(colorNear(at(drawn, 81, 35), Qt::white, 40));
    // Every digit stays inside the inner disc, centred on it.
    const auto inkBounds = [&](const QRect& disc, const QColor& ink) {
        QRect bounds;
        const double inner = disc.width() * 0.44 - 1;
        for (int y = disc.top(); y <= disc.bottom(); ++y)
            for (int x = disc.left(); x <= disc.right(); ++x)
                if (std::hypot(x + 0.5 - disc.center().x() - 0.5, y + 0.5 - disc.center().y() - 0.5) <
                        inner &&
                    colorNear(at(drawn, x, y), ink, 60))
                    bounds |= QRect(x, y, 1, 1);
        return bounds;
    };
    for (const Annotation* counter : {&yellow, &blue, &crowded}) {
        const QRect disc = counter->rect.toRect();
        const QRect digits = inkBounds(disc, counter->counterInk());
        ASSERT_FALSE(digits.isEmpty());
        EXPECT_NEAR(digits.center().x(), disc.center().x(), 2.5);
        EXPECT_NEAR(digits.center().y(), disc.center().y(), 2.5);
        EXPECT_LE(digits.width(), disc.width() * 0.88 * 0.78 + 2);
    }
    EXPECT_TRUE(test::matchesGolden(drawn, QStringLiteral("annotation-counters"), glyphTolerance, 0.05));
}

TEST(AnnotationDrawing, RedactionsAreOpaqueWholePixelsInsideTheImage) {
    const QImage drawn = render({
        make(AnnotationKind::redact, QRectF(10.4, 10.6, 20.2, 5.1), QColor(0, 0, 255, 128)),
        make(AnnotationKind::redact, QRectF(150, -5, 30, 20), Qt::black),
        make(AnnotationKind::redact, QRectF(200, 200, 30, 20), Qt::black),
    });
    // Outward to whole pixels, opaque whatever the colour's alpha.
    EXPECT_EQ(at(drawn, 10, 10), QColor(0, 0, 255));
    EXPECT_EQ(at(drawn, 30, 15), QColor(0, 0, 255));
    EXPECT_NE(at(drawn, 31, 15), QColor(0, 0, 255));
    EXPECT_NE(at(drawn, 10, 16), QColor(0, 0, 255));
    EXPECT_EQ(at(drawn, 159, 0), QColor(Qt::black));
    EXPECT_EQ(at(drawn, 159, 14), QColor(Qt::black));
    EXPECT_NE(at(drawn, 149, 0), QColor(Qt::black));
}

TEST(AnnotationDrawing, PixelationAveragesTwelvePixelBlocksFromTheTopLeft) {
    // Every pixel distinct, so that the blocks show.
    QImage image(40, 20, QImage::Format_RGBA8888_Premultiplied);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            image.setPixelColor(x, y, QColor(x * 6, y * 12, (x + y) % 2 == 0 ? 10 : 11));
    const QImage drawn = render({make(AnnotationKind::pixelate, QRectF(5, 3, 25, 13)),
                                 make(AnnotationKind::pixelate, QRectF(0, 18, 2, 1))},
                                image);
    const auto same = [&](int x0, int y0, int x1, int y1) { return at(drawn, x0, y0) == at(drawn, x1, y1); };
    // Columns 5…16, 17…28, 29 and rows 3…14, 15.
    EXPECT_TRUE(same(5, 3, 16, 14));
    EXPECT_FALSE(same(16, 3, 17, 3));
    EXPECT_TRUE(same(17, 3, 28, 14));
    EXPECT_FALSE(same(28, 3, 29, 3));
    EXPECT_FALSE(same(29, 14, 29, 15));
    EXPECT_TRUE(same(5, 15, 16, 15));
    EXPECT_EQ(at(drawn, 4, 3), image.pixelColor(4, 3));
    EXPECT_EQ(at(drawn, 30, 3), image.pixelColor(30, 3));
    EXPECT_EQ(at(drawn, 29, 15), image.pixelColor(29, 15));
    // Averages round half up: blue 10 and 11 in a block of two average to 11.
    EXPECT_EQ(at(drawn, 0, 18).blue(), 11);
    EXPECT_EQ(at(drawn, 1, 18).red(), 3);
}

// A true Gaussian of σ 12 with the area's edge pixels repeated, for one channel.
std::vector<double> referenceBlur(const std::vector<double>& values, int width, int height) {
    std::vector<double> kernel;
    double total = 0;
    for (int i = -48; i <= 48; ++i)
        total += kernel.emplace_back(std::exp(-i * i / (2.0 * 144)));
    const auto pass = [&](const std::vector<double>& in, bool rows) {
        std::vector<double> out(in.size());
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                double sum = 0;
                for (int i = -48; i <= 48; ++i) {
                    const int sx = rows ? std::clamp(x + i, 0, width - 1) : x;
                    const int sy = rows ? y : std::clamp(y + i, 0, height - 1);
                    sum += kernel[static_cast<std::size_t>(i + 48)] *
                           in[static_cast<std::size_t>(sy * width + sx)];
                }
                out[static_cast<std::size_t>(y * width + x)] = sum / total;
            }
        return out;
    };
    return pass(pass(values, true), false);
}

TEST(AnnotationDrawing, BlurIsAGaussianOfItsOwnBoxOnly) {
    // A bright frame right around the box must not bleed in: the box's own pixels are dark.
    QImage image = plain(Qt::white, 100, 80);
    QPainter(&image).fillRect(QRect(20, 10, 60, 50), QColor(0, 0, 0));
    {
        QPainter painter(&image);
        for (int x = 20; x < 80; x += 10)
            painter.fillRect(QRect(x, 10, 4, 50), QColor(200, 100, 0));
    }
    const QImage drawn = render({make(AnnotationKind::blur, QRectF(20, 10, 60, 50))}, image);
    std::vector<double> red;
    for (int y = 10; y < 60; ++y)
        for (int x = 20; x < 80; ++x)
            red.push_back(image.pixelColor(x, y).red());
    const auto expected = referenceBlur(red, 60, 50);
    double worst = 0;
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 60; ++x)
            worst = std::max(worst, std::abs(drawn.pixelColor(x + 20, y + 10).red() -
                                             expected[static_cast<std::size_t>(y * 60 + x)]));
    EXPECT_LT(worst, 6.0);
    EXPECT_EQ(at(drawn, 19, 30), QColor(Qt::white));
    EXPECT_EQ(at(drawn, 80, 30), QColor(Qt::white));
}

TEST(AnnotationDrawing, SpotlightsDimOnceAroundTheirHoles) {
    Annotation first = make(AnnotationKind::spotlight, QRectF(10, 10, 40, 40));
    Annotation second = make(AnnotationKind::spotlight, QRectF(40, 10, 40, 40));
    Annotation invalid = make(AnnotationKind::spotlight, QRectF(100, 60, 40, 40));
    invalid.strokeWidth = 0;
    const Annotation arrow = line(AnnotationKind::arrow, QPointF(100, 100), QPointF(150, 100), 6);
    const QImage white = plain(Qt::white);
    const QImage drawn = render({first, arrow, second, invalid}, white);
    // One dimming layer: the overlap of two holes is clear, not dimmed twice.
    EXPECT_EQ(at(drawn, 45, 30), QColor(Qt::white));
    EXPECT_TRUE(colorNear(at(drawn, 5, 5), QColor(128, 128, 128)));
    EXPECT_TRUE(colorNear(at(drawn, 120, 80), QColor(128, 128, 128)));
    // The arrow is drawn after the dimming, so it keeps its colour.
    EXPECT_TRUE(colorNear(at(drawn, 125, 100), SystemColors::red()));
    // Without a valid spotlight nothing is dimmed.
    EXPECT_EQ(render({invalid}, white).pixelColor(5, 5), QColor(Qt::white));
}

TEST(AnnotationDrawing, MagnifierShowsWhatLiesBeneathItAtItsScale) {
    // A black stripe 4 wide under a lens of ×2 comes out 8 wide.
    QImage image = plain(Qt::white, 100, 100);
    QPainter(&image).fillRect(QRect(48, 0, 4, 100), Qt::black);
    Annotation lens = make(AnnotationKind::magnifier, QRectF(30, 30, 40, 40));
    lens.strokeWidth = 1;
    const QImage drawn = render({lens}, image);
    EXPECT_EQ(at(drawn, 47, 50), QColor(Qt::black));
    EXPECT_EQ(at(drawn, 52, 50), QColor(Qt::black));
    EXPECT_EQ(at(drawn, 55, 50), QColor(Qt::white));
    EXPECT_TRUE(colorNear(at(drawn, 30, 50), SystemColors::red(), 80));

    // Near the edge only the part inside the image is magnified: a white corner of 4 grows to 16.
    Annotation corner = make(AnnotationKind::magnifier, QRectF(-20, -20, 40, 40));
    corner.magnification = 4;
    QImage dark = plain(Qt::black, 100, 100);
    QPainter(&dark).fillRect(QRect(0, 0, 4, 4), Qt::white);
    const QImage edge = render({corner}, dark);
    EXPECT_EQ(edge.pixelColor(1, 1), QColor(Qt::white));
    EXPECT_EQ(edge.pixelColor(9, 9), QColor(Qt::white));

    // Into a painter that does not paint the given image, only the ring is drawn.
    QImage other = plain(Qt::white, 100, 100);
    {
        QPainter painter(&other);
        QImage unrelated = image;
        ASSERT_TRUE(drawAnnotation(lens, painter, unrelated));
    }
    EXPECT_EQ(other.pixelColor(50, 50), QColor(Qt::white));
    EXPECT_NE(other.pixelColor(30, 50), QColor(Qt::white));
}

TEST(AnnotationDrawing, EffectsLeaveOtherDevicesAndInvalidRecordsAlone) {
    const QImage before = pattern();
    QImage target = before;
    {
        QPicture recording;
        QPainter painter(&recording);
        for (AnnotationKind kind : {AnnotationKind::redact, AnnotationKind::blur, AnnotationKind::pixelate})
            EXPECT_TRUE(drawAnnotation(make(kind, QRectF(10, 10, 50, 50)), painter, target));
    }
    EXPECT_TRUE(test::imagesNear(target, before, 0));

    Annotation invalid = make(AnnotationKind::redact, QRectF(10, 10, 50, 50));
    invalid.opacity = 1.5;
    EXPECT_TRUE(test::imagesNear(render({invalid}), before, 0));
}

} // namespace
} // namespace quorvane
