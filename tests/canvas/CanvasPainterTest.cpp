#include "canvas/CanvasPainter.h"

#include "CanvasViewTesting.h"
#include "RedactionTesting.h"
#include "document/SystemColors.h"
#include "support/ImageCompare.h"

#include <gtest/gtest.h>
#include <limits>

namespace quorvane {
namespace {

using test::sameColor;
using test::ShownCanvas;

// Where the view shows image pixel (x, y) of the crop.
QPoint shownAt(ShownCanvas& canvas, double x, double y) {
    const CanvasTransform t = canvas.view->transform();
    const QRectF r = t.imageRect();
    return QPointF(r.x() + x * t.zoom, r.y() + y * t.zoom).toPoint();
}

TEST(CanvasPainter, ActualSizeShowsThePixelsUnchanged) {
    const QImage image = test::noiseImage(64, 48);
    ShownCanvas canvas(image, {100, 80});
    canvas.showActualSize();
    const QImage shot = canvas.shot();
    const QImage expected = image.convertToFormat(QImage::Format_ARGB32);
    EXPECT_TRUE(test::imagesNear(shot.copy(18, 16, 64, 48), expected, 0));
    // A whole-number pan moves the same pixels.
    canvas.settings.viewport().setPan(QPointF(-7, 3));
    EXPECT_TRUE(test::imagesNear(canvas.shot().copy(11, 19, 64, 48), expected, 0));
}

TEST(CanvasPainter, PixelatedViewNeverBlendsPixels) {
    QImage checker = test::filledImage(Qt::black, 8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            if ((x + y) % 2 == 0) checker.setPixelColor(x, y, Qt::white);
    ShownCanvas canvas(checker, {120, 90});
    canvas.settings.viewport().setPixelated(true);
    canvas.settings.viewport().setFit(false);
    for (double zoom : {0.37, 1.0, 3.3, 9.0}) {
        canvas.settings.viewport().setZoomFraction(zoom);
        const QImage shot = canvas.shot();
        const QRect shown = canvas.view->transform().imageRect().toAlignedRect().intersected(shot.rect());
        int blended = 0;
        for (int y = shown.top() + 1; y < shown.bottom(); ++y)
            for (int x = shown.left() + 1; x < shown.right(); ++x) {
                const QRgb p = shot.pixel(x, y);
                if (!sameColor(p, Qt::black, 0) && !sameColor(p, Qt::white, 0)) ++blended;
            }
        EXPECT_EQ(blended, 0) << "zoom " << zoom;
    }
}

// Distance in view points from the frame edge to the nearest outline pixel, left of the frame's
// middle row.
int outlineGap(const QImage& shot, int frameLeft, int row) {
    for (int gap = 1; gap < 20; ++gap)
        if (sameColor(shot.pixel(frameLeft - gap, row), SystemColors::cyan(), 10)) return gap;
    return -1;
}

TEST(CanvasPainter, SelectionFramePaddingFollowsKindAndStroke) {
    ShownCanvas canvas(test::filledImage(Qt::white, 100, 80), {200, 160});
    canvas.showActualSize();
    Annotation box = test::annotation(AnnotationKind::rectangle, QRectF(30, 20, 40, 30));
    box.strokeWidth = 4;
    box = canvas.add(box);
    canvas.settings.modes().setSelectedID(box.id);
    const QPoint corner = shownAt(canvas, 30, 20);
    EXPECT_NEAR(outlineGap(canvas.shot(), corner.x(), corner.y() + 15), 5, 1);

    Annotation text = test::annotation(AnnotationKind::text, QRectF(30, 60, 40, 15));
    text.strokeWidth = 9;
    text.text = QString();
    text = canvas.add(text);
    canvas.settings.modes().setSelectedID(text.id);
    const QPoint textCorner = shownAt(canvas, 30, 60);
    EXPECT_NEAR(outlineGap(canvas.shot(), textCorner.x(), textCorner.y() + 7), 2, 1);
}

// The cyan pixels of a row inside `span`.
int cyanRun(const QImage& shot, int row, int from, int to) {
    int count = 0;
    for (int x = from; x <= to; ++x)
        if (sameColor(shot.pixel(x, row), SystemColors::cyan(), 40)) ++count;
    return count;
}

TEST(CanvasPainter, HandlesSitAtTheCornerAndTheArrowsMidpoint) {
    ShownCanvas canvas(test::filledImage(Qt::white, 120, 100), {200, 160});
    canvas.showActualSize();
    Annotation arrow = test::annotation(AnnotationKind::arrow, QRectF(10, 10, 100, 80), Qt::black);
    arrow.strokeWidth = 1;
    arrow = canvas.add(arrow);
    canvas.settings.modes().setSelectedID(arrow.id);
    const QImage shot = canvas.shot();
    const QPoint corner = shownAt(canvas, 110, 90);
    // 8 × 8 around the unpadded corner: its rows carry 8 cyan pixels.
    EXPECT_NEAR(cyanRun(shot, corner.y() + 2, corner.x() - 6, corner.x() + 6), 8, 1);
    // The 14-point round handle is widest across its middle.
    const QPointF mid = arrow.arrowMidpoint();
    const QPoint centre = shownAt(canvas, mid.x(), mid.y());
    EXPECT_NEAR(cyanRun(shot, centre.y(), centre.x() - 12, centre.x() + 12), 14, 2);

    // A rectangle has no round handle.
    Annotation box =
        canvas.add(test::annotation(AnnotationKind::rectangle, QRectF(10, 10, 100, 80), Qt::black));
    canvas.settings.modes().setSelectedID(box.id);
    EXPECT_EQ(cyanRun(canvas.shot(), centre.y(), centre.x() - 12, centre.x() + 12), 0);
}

TEST(CanvasPainter, FullPreviewWhenTheLookDependsOnPixelsBeneath) {
    ShownCanvas canvas(test::filledImage(Qt::white, 400, 300), {400, 300});
    canvas.add(test::annotation(AnnotationKind::blur, QRectF(200, 100, 60, 60)));
    Annotation spotlight = test::annotation(AnnotationKind::spotlight, QRectF(10, 200, 40, 40));
    canvas.add(spotlight);
    const auto rectangle = [](const QRectF& rect) {
        Annotation a = test::annotation(AnnotationKind::rectangle, rect);
        a.strokeWidth = 3;
        return a;
    };
    struct Case {
        const char* name;
        Annotation annotation;
        bool full;
    };
    // A stroke of 3 reaches 4 × 3 + 10 = 22 pixels.
    const Case cases[] = {
        {"blur itself", test::annotation(AnnotationKind::blur, QRectF(0, 0, 10, 10)), true},
        {"pixelate", test::annotation(AnnotationKind::pixelate, QRectF(0, 0, 10, 10)), true},
        {"erase", test::annotation(AnnotationKind::erase, QRectF(0, 0, 10, 10)), true},
        {"magnifier", test::annotation(AnnotationKind::magnifier, QRectF(0, 0, 10, 10)), true},
        {"redact", test::annotation(AnnotationKind::redact, QRectF(0, 0, 10, 10)), false},
        {"21 pixels from the blur", rectangle(QRectF(140, 100, 39, 20)), true},
        {"23 pixels from the blur", rectangle(QRectF(140, 100, 37, 20)), false},
        {"far away", rectangle(QRectF(0, 0, 20, 20)), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(canvas.view->painter().needsFullPreview(c.annotation), c.full) << c.name;
}

TEST(CanvasPainter, MovingNearABlurShowsTheBlurFollowLive) {
    ShownCanvas canvas(test::filledImage(Qt::white, 200, 120), {200, 120});
    canvas.showActualSize();
    // The box lies below the blur, which blurs whatever comes under it.
    Annotation box = test::annotation(AnnotationKind::rectangle, QRectF(10, 30, 30, 30), Qt::black);
    box.strokeWidth = 3;
    box.fill = true;
    box = canvas.add(box);
    canvas.add(test::annotation(AnnotationKind::blur, QRectF(100, 20, 60, 60)));
    const QPoint inBlur = shownAt(canvas, 104, 50);
    const QRgb before = canvas.shot().pixel(inBlur);

    CanvasGesture& gesture = canvas.view->gesture();
    gesture.originalAnnotation = box;
    gesture.dragAnchor = QPointF(20, 40);
    gesture.proposed = box.translated(70, 0); // now partly under the blur box
    EXPECT_TRUE(canvas.view->painter().needsFullPreview(*gesture.proposed));
    EXPECT_NE(canvas.shot().pixel(inBlur), before);
    EXPECT_FALSE(canvas.view->painter().hasDragBase());

    gesture.proposed = box.translated(0, 40);
    const QImage far = canvas.shot();
    EXPECT_TRUE(canvas.view->painter().hasDragBase());
    EXPECT_EQ(far.pixel(inBlur), before);
    EXPECT_TRUE(sameColor(far.pixel(shownAt(canvas, 25, 85)), Qt::black));
    EXPECT_TRUE(sameColor(far.pixel(shownAt(canvas, 25, 45)), Qt::white)); // the base lacks the old place
}

TEST(CanvasPainter, NewBlurGoesOnTopWhileAnEditedOneKeepsItsPlace) {
    ShownCanvas canvas(test::filledImage(Qt::white, 200, 120), {200, 120});
    canvas.showActualSize();
    const Annotation blur = canvas.add(test::annotation(AnnotationKind::blur, QRectF(20, 20, 80, 80)));
    Annotation cover = test::annotation(AnnotationKind::rectangle, QRectF(50, 40, 100, 40), Qt::black);
    cover.fill = true;
    canvas.add(cover);
    const QPoint covered = shownAt(canvas, 60, 60);
    CanvasGesture& gesture = canvas.view->gesture();
    gesture.dragAnchor = QPointF(0, 0);

    // Edited in place, the blur stays below the black cover.
    gesture.originalAnnotation = blur;
    gesture.proposed = blur.translated(5, 0);
    EXPECT_TRUE(sameColor(canvas.shot().pixel(covered), Qt::black));

    // A new blur over the same place is drawn above everything and softens the cover.
    gesture.originalAnnotation.reset();
    gesture.proposed = test::annotation(AnnotationKind::blur, QRectF(25, 20, 80, 80));
    EXPECT_FALSE(sameColor(canvas.shot().pixel(shownAt(canvas, 52, 60)), Qt::black, 10));
}

TEST(CanvasPainter, ShrunkFullPreviewFramesMatchAScreenCopyMadeAfresh) {
    ShownCanvas canvas(test::noiseImage(300, 200), {170, 130}); // fit shrinks to about 0.57
    Annotation box = test::annotation(AnnotationKind::rectangle, QRectF(10, 30, 30, 30), Qt::black);
    box.fill = true;
    box = canvas.add(box);
    canvas.add(test::annotation(AnnotationKind::blur, QRectF(100, 20, 90, 90)));
    CanvasGesture& gesture = canvas.view->gesture();
    gesture.originalAnnotation = box;
    gesture.dragAnchor = QPointF(20, 40);
    for (int step = 1; step <= 6; ++step) {
        gesture.proposed = box.translated(step * 17, step * 5);
        const QImage drawn = canvas.shot();
        canvas.view->painter().clearScreenCache();
        EXPECT_TRUE(test::imagesNear(drawn, canvas.shot(), 0)) << "step " << step;
    }
}

TEST(CanvasPainter, RedactionStaysOverAnArrowDraggedAcrossIt) {
    ShownCanvas canvas(test::filledImage(Qt::white, 200, 120), {200, 120});
    canvas.showActualSize();
    canvas.add(test::annotation(AnnotationKind::redact, QRectF(80, 30, 40, 60), Qt::black));
    Annotation arrow = test::annotation(AnnotationKind::arrow, QRectF(10, 60, 60, 1), Qt::red);
    arrow.start = QPointF(10, 60);
    arrow.end = QPointF(70, 60);
    arrow.strokeWidth = 8;
    arrow = canvas.add(arrow);
    CanvasGesture& gesture = canvas.view->gesture();
    gesture.originalAnnotation = arrow;
    gesture.dragAnchor = QPointF(10, 60);
    gesture.proposed = arrow.translated(60, 0);
    const QImage shot = canvas.shot();
    for (int x = 82; x < 118; x += 4)
        EXPECT_TRUE(sameColor(shot.pixel(shownAt(canvas, x, 60)), Qt::black)) << x;
    EXPECT_TRUE(sameColor(shot.pixel(shownAt(canvas, 76, 60)), Qt::red));
}

// Nothing the canvas draws over the image covers a redaction: neither a highlight drawn or moved
// across one, nor the boxes of a Redact Text review (a kept box's dashed outline, a chosen box's
// translucent fill), whatever the redaction's colour.
TEST(CanvasPainter, RedactionsStayOpaqueUnderHighlightsAndTheReviewsBoxes) {
    ShownCanvas canvas(test::filledImage(Qt::white, 200, 120), {200, 120});
    canvas.showActualSize();
    const QColor blue(0, 122, 255);
    const Annotation black =
        canvas.add(test::annotation(AnnotationKind::redact, QRectF(40, 40, 60, 30), Qt::black));
    const Annotation tinted =
        canvas.add(test::annotation(AnnotationKind::redact, QRectF(120, 40, 40, 30), blue));
    Annotation highlight =
        test::annotation(AnnotationKind::highlight, QRectF(20, 50, 170, 12), SystemColors::yellow());
    highlight.opacity = 0.4;
    highlight = canvas.add(highlight);
    const auto uncovered = [&](const char* what) {
        const QImage shot = canvas.shot();
        int wrong = 0;
        for (const Annotation& r : {black, tinted})
            for (int y = int(r.rect.top()) + 1; y < int(r.rect.bottom()) - 1; ++y)
                for (int x = int(r.rect.left()) + 1; x < int(r.rect.right()) - 1; ++x)
                    if (!sameColor(shot.pixel(shownAt(canvas, x, y)), r.color, 0)) ++wrong;
        EXPECT_EQ(wrong, 0) << what;
    };
    uncovered("highlight above");
    CanvasGesture& gesture = canvas.view->gesture();
    gesture.dragAnchor = QPointF(0, 0);
    gesture.originalAnnotation = highlight;
    gesture.proposed = highlight.translated(3, 4);
    uncovered("highlight moved");
    gesture.reset();

    test::HeldRecognizer recognizer;
    auto* review = new TextRedactionController(*canvas.document, QImage(200, 120, QImage::Format_RGBA8888),
                                               QPointF(), Qt::black, 2, recognizer.function());
    canvas.settings.modes().setTextRedaction(review);
    recognizer.deliver(RecognitionResult{
        {test::line("kept", QRectF(30, 52, 80, 10)), test::line("chosen", QRectF(110, 45, 60, 10))}, {}});
    ASSERT_EQ(review->state(), TextRedactionController::State::reviewing);
    ASSERT_TRUE(review->toggle(QPointF(35, 55)));
    uncovered("review");
    canvas.settings.modes().setTextRedaction(nullptr);
}

TEST(CanvasPainter, GrownCanvasShowsTheEdgeColourAndInfiniteProposalsNothing) {
    const QColor edge(30, 140, 90);
    ShownCanvas canvas(test::filledImage(edge, 100, 80), {300, 200});
    canvas.showActualSize();
    const QRgb background = canvas.shot().pixel(shownAt(canvas, 130, 40));
    ASSERT_FALSE(sameColor(background, edge));
    Annotation box = test::annotation(AnnotationKind::rectangle, QRectF(60, 20, 90, 30), Qt::black);
    canvas.view->gesture().dragAnchor = QPointF(60, 20);
    canvas.view->gesture().proposed = box;
    const QImage shot = canvas.shot();
    EXPECT_TRUE(sameColor(shot.pixel(shownAt(canvas, 130, 40)), edge));
    EXPECT_TRUE(sameColor(shot.pixel(shownAt(canvas, 149, 35)), Qt::black)); // the overlay outside the image

    // A proposal with infinite corners is not drawn at all.
    const double inf = std::numeric_limits<double>::infinity();
    canvas.view->gesture().proposed =
        test::annotation(AnnotationKind::rectangle, QRectF(QPointF(-inf, -inf), QPointF(inf, inf)));
    EXPECT_TRUE(sameColor(canvas.shot().pixel(shownAt(canvas, 50, 40)), edge));
}

TEST(CanvasPainter, BackdropCornersClipOnlyFromRadiusOne) {
    const QColor picture(0, 0, 255);
    ShownCanvas canvas(test::filledImage(picture, 100, 80), {200, 160});
    canvas.showActualSize();
    Backdrop backdrop;
    backdrop.fill = Backdrop::Solid{Backdrop::RGBA{255, 0, 0, 255}};
    backdrop.padding = 10;
    for (int radius : {0, 1, 20}) {
        backdrop.cornerRadius = radius;
        canvas.document->setBackdrop(backdrop);
        const QImage shot = canvas.shot();
        const QPoint corner = shownAt(canvas, 0, 0);
        EXPECT_EQ(sameColor(shot.pixel(corner), picture, 40), radius == 0) << radius;
        EXPECT_TRUE(sameColor(shot.pixel(shownAt(canvas, 50, 40)), picture));
        EXPECT_TRUE(sameColor(shot.pixel(shownAt(canvas, 50, -5)), QColor(255, 0, 0), 10));
    }
}

TEST(CanvasPainter, GradientBackdropStandsTheWayItExports) {
    ShownCanvas canvas(test::filledImage(Qt::white, 100, 80), {200, 200});
    canvas.showActualSize();
    Backdrop backdrop;
    backdrop.fill = Backdrop::Gradient{Backdrop::RGBA{255, 0, 0, 255}, Backdrop::RGBA{0, 0, 255, 255}, 90};
    backdrop.padding = 40;
    canvas.document->setBackdrop(backdrop);
    const QImage exported = *backdrop.apply(canvas.document->image());
    const QImage shot = canvas.shot();
    const QColor exportedTop = exported.pixelColor(80, 5), exportedBottom = exported.pixelColor(80, 154);
    ASSERT_GT(std::abs(exportedTop.red() - exportedBottom.red()), 100);
    const QColor shownTop = QColor(shot.pixel(shownAt(canvas, 40, -35)));
    const QColor shownBottom = QColor(shot.pixel(shownAt(canvas, 40, 114)));
    EXPECT_NEAR(shownTop.red(), exportedTop.red(), 30);
    EXPECT_NEAR(shownBottom.red(), exportedBottom.red(), 30);
}

TEST(CanvasPainter, GoldenStates) {
    ShownCanvas canvas(test::twoToneImage(120, 80, QColor(250, 250, 250), QColor(40, 60, 90)), {160, 120});
    canvas.showActualSize();
    Annotation arrow = test::annotation(AnnotationKind::arrow, QRectF(15, 15, 70, 50), SystemColors::red());
    arrow = canvas.add(arrow);
    canvas.add(test::annotation(AnnotationKind::oval, QRectF(70, 10, 40, 30), SystemColors::green()));
    canvas.settings.modes().setSelectedID(arrow.id);
    EXPECT_TRUE(test::matchesGolden(canvas.shot(), QStringLiteral("canvas-selected-arrow"), 24, 0.01));

    canvas.settings.modes().setSelectedID(std::nullopt);
    canvas.settings.toggleCrop();
    canvas.settings.modes().setSelection(QRectF(20, 30, 50, 30));
    canvas.view->gesture().dragAnchor = QPointF(100, 70);
    canvas.view->gesture().proposed =
        test::annotation(AnnotationKind::rectangle, QRectF(90, 60, 50, 30), SystemColors::blue());
    EXPECT_TRUE(test::matchesGolden(canvas.shot(), QStringLiteral("canvas-growth-and-selection"), 24, 0.01));
}

} // namespace
} // namespace quorvane
