#include "document/AnnotationDrawing.h"

#include "document/EditorDocument.h"
#include "document/OverlayBudget.h"
#include "document/SystemColors.h"
#include "support/ImageCompare.h"
#include "support/TestAnnotations.h"

#include <QColorSpace>
#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using K = AnnotationKind;

// Squares of 8 pixels whose colours change from top to bottom and left to right, so that
// effects, flips and offsets all show.
QImage pattern(int width = 160, int height = 120) {
    QImage image = test::filledImage(Qt::white, width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y,
                                (x / 8 + y / 8) % 2 ? QColor(230, 200, 100 + x / 2) : QColor(40, 60 + y, 90));
    return image;
}

QImage white(int width = 160, int height = 120) {
    return test::filledImage(Qt::white, width, height);
}

Annotation make(K kind, const QRectF& rect, const QColor& color = SystemColors::red()) {
    return test::annotation(kind, rect, color);
}

Annotation line(K kind, const QPointF& from, const QPointF& to, double stroke = 3) {
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

::testing::AssertionResult colorNear(const QColor& actual, const QColor& expected, int tolerance = 2) {
    const int d =
        std::max({std::abs(actual.red() - expected.red()), std::abs(actual.green() - expected.green()),
                  std::abs(actual.blue() - expected.blue()), std::abs(actual.alpha() - expected.alpha())});
    if (d <= tolerance) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << actual.name(QColor::HexArgb).toStdString() << " instead of "
                                         << expected.name(QColor::HexArgb).toStdString();
}

// Antialiased edges may differ by a level or two between Qt builds; glyphs differ with the installed
// fonts, so their images allow a share of clearly different pixels.
constexpr int shapeTolerance = 24, glyphTolerance = 96;
constexpr double shapeBadFraction = 0.004;

TEST(AnnotationDrawing, ShapesMatchTheirGoldenImages) {
    Annotation filled = make(K::rectangle, QRectF(90, 10, 30, 20), SystemColors::blue());
    filled.fill = true;
    const Annotation curved = line(K::arrow, QPointF(10, 110), QPointF(70, 70), 2).bent(QPointF(20, 70));
    Annotation freehand = make(K::freehand, QRectF()), dot = freehand;
    freehand.points = {{100, 60}, {110, 45}, {125, 70}, {140, 50}, {150, 65}};
    freehand.rect = Annotation::bounds(freehand.points);
    dot.points = {{150, 100}, {150, 100}};
    dot.strokeWidth = 8;
    const QImage drawn = render({line(K::arrow, QPointF(10, 10), QPointF(70, 40)), curved,
                                 make(K::rectangle, QRectF(130, 10, 20, 25)), filled,
                                 make(K::oval, QRectF(80, 80, 40, 25), SystemColors::cyan()),
                                 line(K::bracketOpen, QPointF(20, 50), QPointF(20, 95), 2),
                                 line(K::bracketClose, QPointF(40, 50), QPointF(40, 95), 2),
                                 line(K::braceOpen, QPointF(55, 50), QPointF(55, 95), 2),
                                 line(K::braceClose, QPointF(75, 100), QPointF(130, 100), 2), freehand, dot},
                                white());
    EXPECT_TRUE(
        test::matchesGolden(drawn, QStringLiteral("annotation-shapes"), shapeTolerance, shapeBadFraction));
    // A freehand line of two equal points is still a round dot; a filled rectangle is filled.
    EXPECT_TRUE(colorNear(drawn.pixelColor(150, 97), SystemColors::red()));
    EXPECT_TRUE(colorNear(drawn.pixelColor(105, 20), SystemColors::blue()));
}

TEST(AnnotationDrawing, ArrowHeadsAreTenLongAtLeastAndFollowTheCurve) {
    // Length 3, stroke 1: the shaft stops 2.5 short of the tip; wings 10 long at 30° either side.
    Annotation a = line(K::arrow, QPointF(0, 0), QPointF(3, 0), 1);
    const auto head = a.arrowHead();
    EXPECT_EQ(head.shaft.elementCount(), 2);
    EXPECT_NEAR(head.shaft.elementAt(1).x, 0.5, 1e-12);
    const QRectF triangle = head.triangle.boundingRect();
    EXPECT_NEAR(triangle.left(), 3 - 10 * std::cos(M_PI / 6), 1e-9);
    EXPECT_NEAR(triangle.right(), 3, 1e-12);
    EXPECT_NEAR(triangle.height(), 10, 1e-9);
    a.strokeWidth = 5;
    EXPECT_NEAR(a.arrowHead().triangle.boundingRect().height(), 20, 1e-9);
    // The curved head points from the bend to the tip, not from the tail.
    Annotation curved = line(K::arrow, QPointF(0, 0), QPointF(100, 0), 2);
    curved.bend = QPointF(100, -100);
    const QPainterPath wings = curved.arrowHead().triangle;
    EXPECT_NEAR(wings.elementAt(1).y, wings.elementAt(2).y, 1e-9);
    EXPECT_NEAR(wings.elementAt(1).x + wings.elementAt(2).x, 200, 1e-9);
    EXPECT_LT(wings.elementAt(1).y, 0);
}

TEST(AnnotationDrawing, TextStaysInsideItsBox) {
    Annotation text = make(K::text, QRectF(10, 10, 120, 40), Qt::black);
    text.text = QStringLiteral("Wrapped words clipped at the bottom of the box and more");
    text.fontSize = 16;
    const QImage drawn = render({text}, white());
    int inside = 0, outside = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            if (drawn.pixelColor(x, y) != QColor(Qt::white))
                ++(QRect(10, 10, 120, 40).contains(x, y) ? inside : outside);
    EXPECT_GT(inside, 200);
    EXPECT_EQ(outside, 0);
    // The text's ink is 738 pixels beyond the glyph tolerance: allowing 384 leaves room for
    // another rasteriser's edges, never for a missing or misplaced line.
    EXPECT_TRUE(test::matchesGolden(drawn, QStringLiteral("annotation-text"), glyphTolerance, 0.02));
}

TEST(AnnotationDrawing, EffectsAndMarksMatchTheirGoldenImages) {
    const QImage effects =
        render({make(K::redact, QRectF(10, 10, 40, 20), Qt::black), make(K::blur, QRectF(60, 10, 80, 50)),
                make(K::pixelate, QRectF(10.5, 60.2, 60, 45)),
                make(K::erase, QRectF(110, 70, 30, 30), QColor(10, 200, 30))});
    EXPECT_TRUE(test::matchesGolden(effects, QStringLiteral("annotation-effects"), 2));

    Annotation highlight = make(K::highlight, QRectF(10, 10, 60, 20), SystemColors::yellow());
    highlight.opacity = 0.4;
    Annotation spotlight = make(K::spotlight, QRectF(90, 10, 50, 40));
    spotlight.fill = true;
    Annotation magnifier = make(K::magnifier, QRectF(20, 60, 60, 50));
    magnifier.magnification = 3;
    Annotation image = make(K::image, QRectF(100, 70, 40, 40));
    image.overlay = OverlayBudget::admit(pattern(20, 10)).value();
    image.opacity = 0.5;
    EXPECT_TRUE(test::matchesGolden(render({highlight, magnifier, spotlight, image}),
                                    QStringLiteral("annotation-marks"), shapeTolerance, shapeBadFraction));
}

// The golden images above were made by this code; these two measure what they should show.
// A blurred step edge follows the Gaussian's integral: its spread (the second moment of the
// profile's slope) is sigma, 12 device pixels, and every level lies near 255 · Φ((x − edge) / 12).
TEST(AnnotationDrawing, BlurSpreadsAStepEdgeLikeAGaussianOfSigma12) {
    constexpr int edge = 100;
    QImage step = test::filledImage(Qt::black, 200, 40);
    QPainter(&step).fillRect(QRect(edge, 0, 100, 40), Qt::white);
    // The area reaches 80 pixels (more than 6 sigma) to each side of the edge.
    const QImage blurred = render({make(K::blur, QRectF(20, 0, 160, 40))}, step);
    std::vector<double> level(200);
    for (int x = 0; x < 200; ++x)
        level[x] = blurred.pixelColor(x, 20).red();
    double mass = 0, mean = 0, spread = 0;
    for (int x = 21; x < 180; ++x) {
        const double slope = level[x] - level[x - 1];
        mass += slope;
        mean += slope * x;
    }
    mean /= mass;
    for (int x = 21; x < 180; ++x)
        spread += (level[x] - level[x - 1]) * (x - mean) * (x - mean);
    EXPECT_NEAR(mass, 255, 2);
    EXPECT_NEAR(mean, edge, 0.5);
    EXPECT_NEAR(std::sqrt(spread / mass), 12.0, 0.5);
    double worst = 0;
    for (int x = 20; x < 180; ++x) {
        const double expected = 255 * 0.5 * std::erfc(-(x + 0.5 - edge) / (12.0 * std::sqrt(2.0)));
        worst = std::max(worst, std::abs(level[x] - expected));
    }
    EXPECT_LT(worst, 4) << "levels stray from the Gaussian's integral";
}

// A dark square of 6 pixels at the lens's centre measures magnification × 6 inside the lens.
TEST(AnnotationDrawing, MagnifiersEnlargeByTheirMagnificationOnlyWhatLiesInsideTheImage) {
    for (const double m : {2.0, 3.0, 4.0}) {
        QImage image = white(120, 120);
        QPainter(&image).fillRect(QRect(57, 57, 6, 6), Qt::black);
        Annotation lens = make(K::magnifier, QRectF(20, 20, 80, 80), SystemColors::cyan());
        lens.magnification = m;
        const QImage drawn = render({lens}, image);
        const auto dark = [&](int x, int y) { return drawn.pixelColor(x, y).lightness() < 128; };
        int across = 0, down = 0;
        for (int i = 25; i < 95; ++i) {
            across += dark(i, 60);
            down += dark(60, i);
        }
        EXPECT_NEAR(across, 6 * m, 1) << "x" << m;
        EXPECT_NEAR(down, 6 * m, 1) << "x" << m;
    }
    // Near the edge only what lies inside the image is magnified: a white corner of 4 under a lens
    // of ×4 centred on the image's corner grows to 16.
    Annotation corner = make(K::magnifier, QRectF(-20, -20, 40, 40));
    corner.magnification = 4;
    QImage dark = test::filledImage(Qt::black, 100, 100);
    QPainter(&dark).fillRect(QRect(0, 0, 4, 4), Qt::white);
    const QImage drawn = render({corner}, dark);
    EXPECT_TRUE(drawn.pixelColor(9, 9) == QColor(Qt::white) && drawn.pixelColor(1, 1) == QColor(Qt::white));
}

TEST(AnnotationDrawing, CountersPickTheirInkAndCentreTheirNumber) {
    Annotation yellow = make(K::counter, QRectF(10, 10, 50, 50), SystemColors::yellow());
    Annotation blue = make(K::counter, QRectF(80, 10, 50, 50), QColor(20, 30, 120));
    Annotation crowded = make(K::counter, QRectF(20, 70, 30, 30), SystemColors::red());
    blue.number = 12;
    crowded.number = 4096;
    EXPECT_EQ(yellow.counterInk(), QColor(Qt::black));
    EXPECT_EQ(blue.counterInk(), QColor(Qt::white));
    const QImage drawn = render({yellow, blue, crowded}, white());
    // The ring is 6 % of the side wide, in ink; the disc inside takes the colour.
    EXPECT_TRUE(colorNear(drawn.pixelColor(11, 35), Qt::black, 40));
    EXPECT_TRUE(colorNear(drawn.pixelColor(15, 35), SystemColors::yellow()));
    // Every digit stays inside the inner disc, centred on it, however many there are.
    for (const Annotation* counter : {&yellow, &blue, &crowded}) {
        const QRect disc = counter->rect.toRect();
        QRect digits;
        for (int y = disc.top(); y <= disc.bottom(); ++y)
            for (int x = disc.left(); x <= disc.right(); ++x)
                if (std::hypot(x - disc.center().x(), y - disc.center().y()) < disc.width() * 0.44 - 1 &&
                    colorNear(drawn.pixelColor(x, y), counter->counterInk(), 60))
                    digits |= QRect(x, y, 1, 1);
        ASSERT_FALSE(digits.isEmpty());
        EXPECT_NEAR(digits.center().x(), disc.center().x(), 2.5);
        EXPECT_NEAR(digits.center().y(), disc.center().y(), 2.5);
        EXPECT_LE(digits.width(), disc.width() * 0.88 * 0.78 + 2);
    }
    EXPECT_TRUE(test::matchesGolden(drawn, QStringLiteral("annotation-counters"), glyphTolerance, 0.05));
}

TEST(AnnotationDrawing, RedactionsAndPixelationFillWholePixelsInsideTheImage) {
    // Outward to whole pixels, opaque whatever the colour's alpha, clipped to the image.
    const QImage redacted = render({make(K::redact, QRectF(10.4, 10.6, 20.2, 5.1), QColor(0, 0, 255, 128)),
                                    make(K::redact, QRectF(150, -5, 30, 20), Qt::black),
                                    make(K::redact, QRectF(200, 200, 30, 20), Qt::black)});
    EXPECT_EQ(redacted.pixelColor(10, 10), QColor(0, 0, 255));
    EXPECT_NE(redacted.pixelColor(31, 15), QColor(0, 0, 255));
    EXPECT_NE(redacted.pixelColor(10, 16), QColor(0, 0, 255));
    EXPECT_EQ(redacted.pixelColor(159, 14), QColor(Qt::black));

    // Every pixel distinct, so that the blocks show: 25 × 13 makes columns 5…16, 17…28, 29 and rows
    // 3…14, 15; averages round half up (blue 10 and 11 in a block of two make 11).
    QImage image(40, 20, QImage::Format_RGBA8888_Premultiplied);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            image.setPixelColor(x, y, QColor(x * 6, y * 12, (x + y) % 2 == 0 ? 10 : 11));
    const QImage d =
        render({make(K::pixelate, QRectF(5, 3, 25, 13)), make(K::pixelate, QRectF(0, 18, 2, 1))}, image);
    const auto same = [&](int x0, int y0, int x1, int y1) {
        return d.pixelColor(x0, y0) == d.pixelColor(x1, y1);
    };
    EXPECT_TRUE(same(5, 3, 16, 14) && same(17, 3, 28, 14) && same(5, 15, 16, 15));
    EXPECT_FALSE(same(16, 3, 17, 3) || same(28, 3, 29, 3) || same(29, 14, 29, 15));
    // Outside the area nothing changes, and a block of one pixel keeps it.
    for (const QPoint p : {QPoint(4, 3), QPoint(30, 3), QPoint(29, 15)})
        EXPECT_EQ(d.pixelColor(p), image.pixelColor(p));
    EXPECT_EQ(d.pixelColor(0, 18).blue(), 11);
    EXPECT_EQ(d.pixelColor(1, 18).red(), 3);
}

TEST(AnnotationDrawing, SpotlightsDimOnceAroundTheirHoles) {
    Annotation first = make(K::spotlight, QRectF(10, 10, 40, 40)),
               second = make(K::spotlight, QRectF(40, 10, 40, 40));
    Annotation invalid = make(K::spotlight, QRectF(100, 60, 40, 40));
    invalid.strokeWidth = 0;
    const QImage drawn =
        render({first, line(K::arrow, QPointF(100, 100), QPointF(150, 100), 6), second, invalid}, white());
    // One dimming layer: the overlap of two holes is clear, not dimmed twice; the arrow is drawn after
    // the dimming, so it keeps its colour; an invalid spotlight dims nothing.
    EXPECT_EQ(drawn.pixelColor(45, 30), QColor(Qt::white));
    EXPECT_TRUE(colorNear(drawn.pixelColor(5, 5), QColor(128, 128, 128)));
    EXPECT_TRUE(colorNear(drawn.pixelColor(120, 80), QColor(128, 128, 128)));
    EXPECT_TRUE(colorNear(drawn.pixelColor(125, 100), SystemColors::red()));
    EXPECT_EQ(render({invalid}, white()).pixelColor(5, 5), QColor(Qt::white));
}

TEST(AnnotationDrawing, EffectsLeaveOtherDevicesAndInvalidRecordsAlone) {
    // Into a painter that does not paint the given image, effects draw nothing and a magnifier only
    // its ring.
    const QImage before = pattern();
    QImage target = before, other = white();
    {
        QPainter painter(&other);
        for (K kind : {K::redact, K::blur, K::pixelate, K::magnifier})
            EXPECT_TRUE(drawAnnotation(make(kind, QRectF(30, 30, 40, 40)), painter, target));
    }
    EXPECT_TRUE(test::imagesNear(target, before, 0));
    EXPECT_EQ(other.pixelColor(50, 50), QColor(Qt::white));
    EXPECT_EQ(other.pixelColor(10, 10), QColor(Qt::white));
    EXPECT_NE(other.pixelColor(31, 50), QColor(Qt::white));
    Annotation invalid = make(K::redact, QRectF(10, 10, 50, 50));
    invalid.opacity = 1.5;
    EXPECT_TRUE(test::imagesNear(render({invalid}), before, 0));
}

} // namespace
} // namespace quorvane
