#include "core/Geometry.h"
#include "document/EditorDocument.h"
#include "document/OverlayBudget.h"
#include "imaging/EraseCheck.h"
#include "support/TestAnnotations.h"

#include <QPainter>
#include <gtest/gtest.h>
#include <limits>
#include <tuple>

namespace quorvane {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// Image size, document scale, source scale, placement area, expected rect.
using Placement = std::tuple<QSize, double, std::optional<double>, std::optional<QRectF>, QRectF>;

TEST(DocumentComposition, OverlaysAreScaledFittedAndPlacedInsideTheCanvas) {
    const auto none = std::nullopt;
    const Placement cases[] = {
        {{4000, 3000}, 1, none, none, {0, 25, 1000, 750}}, // fitted flush left
        {{100, 50}, 2, 1.0, none, {400, 350, 200, 100}},   // one pixel per point into two: doubled
        {{800, 100}, 2, 1.0, none, {0, 337, 1000, 125}},   // doubled, then fitted
        {{100, 50}, 2, 0.0, none, {450, 375, 100, 50}},    // zero, NaN or no scale: none
        {{100, 50}, 2, nan, none, {450, 375, 100, 50}},
        {{100, 50}, 2, none, none, {450, 375, 100, 50}},
        {{100, 50}, 1, none, QRectF(2000, 2000, 10, 10), {450, 375, 100, 50}},  // wholly outside: centred
        {{100, 50}, 1, none, QRectF(10, 10, 0, 40), {450, 375, 100, 50}},       // empty: centred
        {{100, 50}, 1, none, QRectF(0, 0, 200, 100), {50, 25, 100, 50}},        // in the visible part
        {{300, 200}, 1, none, QRectF(900, -100, 300, 200), {700, 0, 300, 200}}, // pushed inside
        {{101, 51}, 1, none, none, {449, 374, 101, 51}},                        // odd sizes floor the centre
        {{1, 1}, 3, 10.0, none, {499, 399, 1, 1}}, // a pixel scaled by 0.3 stays a pixel
    };
    for (const auto& [size, documentScale, sourceScale, centeredIn, expected] : cases) {
        SCOPED_TRACE(testing::Message() << size.width() << " at " << documentScale);
        EditorDocument document(test::filledImage(Qt::white, 1000, 800), std::nullopt, documentScale);
        const auto added =
            document.addOverlay(test::twoToneImage(size.width(), size.height()), sourceScale, centeredIn);
        ASSERT_TRUE(added.ok());
        EXPECT_TRUE(geom::exactlyEqual(added->rect, expected))
            << added->rect.x() << "," << added->rect.y() << " " << added->rect.width() << "×"
            << added->rect.height();
    }
}

TEST(DocumentComposition, AnOverlayIsOneAddStepInBaseCoordinatesOfACroppedCanvas) {
    EditorDocument document(test::filledImage(Qt::white, 1000, 800), std::nullopt, 1);
    ASSERT_TRUE(document.crop(QRectF(100, 50, 400, 300)));
    const qint64 revision = document.revision();
    const QImage image = test::twoToneImage(40, 20);
    const auto added = document.addOverlay(image, std::nullopt, QRectF(0, 0, 1000, 800));
    ASSERT_TRUE(added.ok());
    const Annotation& a = *added;
    // Centred on the crop: (100 + 200 − 20, 50 + 150 − 10).
    EXPECT_TRUE(geom::exactlyEqual(a.rect, QRectF(280, 190, 40, 20)));
    EXPECT_TRUE(a.kind == AnnotationKind::image && a.isValid() && a.overlay->image() == image);
    EXPECT_TRUE(document.annotations().back() == a && document.revision() == revision + 1);
    EXPECT_EQ(document.undoManager().undoActionName(), "Add Annotation");
    document.undoManager().undo();
    EXPECT_TRUE(document.annotations().empty());
}

TEST(DocumentComposition, UnplaceableAndOverBudgetImagesChangeNothing) {
    ASSERT_EQ(OverlayBudget::liveBytes(), 0) << "an earlier test leaked overlays";
    EditorDocument document(test::filledImage(Qt::white, 100, 80), std::nullopt, 1);
    const qint64 revision = document.revision();

    const auto empty = document.addOverlay(QImage(), std::nullopt, std::nullopt);
    ASSERT_FALSE(empty.ok());
    EXPECT_EQ(empty.error(), CompositionError::unplaceable);
    EXPECT_EQ(message(empty.error()), "The image could not be placed on the canvas.");

    const auto huge =
        document.addOverlay(test::bitmapOfBytes(OverlayBudget::limitBytes + 64), std::nullopt, std::nullopt);
    ASSERT_FALSE(huge.ok());
    EXPECT_EQ(huge.error(), CompositionError::overlayBudget);
    EXPECT_TRUE(message(huge.error()).startsWith("Adding this image would keep more than 256 MB"));

    EXPECT_EQ(document.revision(), revision);
    EXPECT_TRUE(document.annotations().empty());
    EXPECT_EQ(OverlayBudget::liveBytes(), 0);
}

TEST(DocumentComposition, OpacityIsClampedToHundredths) {
    EditorDocument document(test::filledImage(Qt::white, 100, 80), std::nullopt, 1);
    const Annotation a = test::annotation(AnnotationKind::rectangle, QRectF(10, 10, 20, 20));
    document.addAnnotation(a);
    for (const auto& [value, stored] :
         {std::pair(0.374, 0.37), {0.375, 0.38}, {1.7, 1.0}, {-0.2, 0.0}, {0.005, 0.01}, {1.0, 1.0}}) {
        document.setOpacity(value, a.id);
        EXPECT_EQ(document.annotations().front().opacity, stored) << value;
    }
    const qint64 revision = document.revision();
    document.setOpacity(nan, a.id);
    document.setOpacity(std::numeric_limits<double>::infinity(), a.id);
    document.setOpacity(0.5, QUuid::createUuid());
    EXPECT_EQ(document.revision(), revision);
    EXPECT_EQ(document.annotations().front().opacity, 1);
}

TEST(DocumentComposition, AligningMovesWithinTheCropAndRechecksOnlyAMovedErase) {
    const QImage image = test::filledImage(QColor(250, 250, 240), 100, 60);
    EditorDocument document(image, std::nullopt, 1);
    ASSERT_TRUE(document.crop(QRectF(10, 0, 90, 60)));
    Annotation box = test::annotation(AnnotationKind::rectangle, QRectF(40, 20, 10, 10));
    document.addAnnotation(box);
    EXPECT_TRUE(document.align(box.id, CanvasAlignment::right).ok());
    EXPECT_TRUE(geom::exactlyEqual(document.annotations().front().rect, QRectF(90, 20, 10, 10)));
    EXPECT_EQ(document.undoManager().undoActionName(), "Edit Annotation");
    EXPECT_TRUE(document.align(box.id, CanvasAlignment::left).ok());
    EXPECT_TRUE(geom::exactlyEqual(document.annotations().front().rect, QRectF(10, 20, 10, 10)));
    EXPECT_TRUE(document.align(QUuid::createUuid(), CanvasAlignment::top).ok());

    // An erase whose ring an arrow crosses: in place it is not checked again, moved it is refused.
    EditorDocument plain(image, std::nullopt, 1);
    const Annotation erase = test::annotation(AnnotationKind::erase, QRectF(0, 25, 10, 10), Qt::white);
    plain.addAnnotation(erase);
    Annotation arrow = test::annotation(AnnotationKind::arrow, QRectF());
    arrow.start = QPointF(2, 30);
    arrow.end = QPointF(98, 30);
    plain.addAnnotation(arrow);
    ASSERT_TRUE(geom::exactlyEqual(plain.cropRect(), QRectF(0, 0, 100, 60)));
    EXPECT_TRUE(plain.align(erase.id, CanvasAlignment::left).ok());
    const qint64 revision = plain.revision();
    const auto refused = plain.align(erase.id, CanvasAlignment::center);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().message, EraseCheck::busyMessage);
    EXPECT_EQ(plain.revision(), revision);
    EXPECT_TRUE(geom::exactlyEqual(plain.annotations().front().rect, QRectF(0, 25, 10, 10)));
    EXPECT_EQ(plain.annotations().front().color, QColor(Qt::white));

    // Without the arrow it moves and takes the colour of its new place.
    plain.deleteAnnotation(arrow.id);
    EXPECT_TRUE(plain.align(erase.id, CanvasAlignment::center).ok());
    EXPECT_TRUE(geom::exactlyEqual(plain.annotations().front().rect, QRectF(45, 25, 10, 10)));
    EXPECT_EQ(plain.annotations().front().color, QColor(250, 250, 240));

    // A move by less than Qt's fuzzy comparison sees is still a move, checked again.
    EditorDocument nearly(image, std::nullopt, 1);
    const Annotation offCentre =
        test::annotation(AnnotationKind::erase, QRectF(45 + 1e-11, 25, 10, 10), Qt::white);
    nearly.addAnnotation(offCentre);
    nearly.addAnnotation(arrow);
    const auto recheck = nearly.align(offCentre.id, CanvasAlignment::center);
    ASSERT_FALSE(recheck.ok()) << "moved, so checked again";
    EXPECT_EQ(recheck.error().message, EraseCheck::busyMessage);
}

} // namespace
} // namespace quorvane
