#include "canvas/ToolAnnotationFactory.h"

#include "CanvasTesting.h"
#include "canvas/EditorCanvasSettings.h"
#include "canvas/ToolTable.h"
#include "core/Geometry.h"
#include "document/EditorDocument.h"

#include <QLineF>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using K = AnnotationKind;

TEST(ToolAnnotationFactory, BuildsTheToolsInTheCurrentStyle) {
    EditorDocument doc(test::blueOverWhite(), std::nullopt, 2);
    for (const std::int64_t number : {1, 2, 7}) {
        Annotation counter =
            test::annotation(K::counter, QRectF(10.0 * static_cast<double>(number), 0, 20, 20));
        counter.number = number;
        doc.addAnnotation(counter);
    }
    EditorCanvasSettings settings;
    settings.style().setPixelScale(2);
    settings.style().setColor(Qt::darkGreen);
    settings.style().setStrokeWidth(5);
    settings.style().setMagnification(3);
    settings.style().setSpotlightOval(true);
    const ToolAnnotationFactory factory(settings);
    const QRectF wide(10, 10, 100, 20);

    // 18 pt at scale 2 is 36 px; the disc is 57.6 rounded to 58, around the rectangle's centre, and
    // takes the number after the largest.
    const auto counter = factory.make(K::counter, wide, doc);
    ASSERT_TRUE(counter);
    EXPECT_EQ(counter->rect, QRectF(31, -9, 58, 58));
    EXPECT_EQ(counter->fontSize, 36);
    EXPECT_EQ(counter->number, 8);
    EXPECT_EQ(counter->strokeWidth, 3);
    EXPECT_EQ(counter->color, QColor(Qt::darkGreen));

    // A magnifier is a circle of the shorter side whose start is the centre it magnifies.
    const auto magnifier = factory.make(K::magnifier, wide, doc);
    ASSERT_TRUE(magnifier);
    EXPECT_EQ(magnifier->rect, QRectF(50, 10, 20, 20));
    EXPECT_EQ(magnifier->start, QPointF(60, 20));
    EXPECT_EQ(magnifier->magnification, 3);

    const auto highlight = factory.make(K::highlight, wide, doc);
    ASSERT_TRUE(highlight);
    EXPECT_EQ(highlight->opacity, 0.4);
    EXPECT_EQ(highlight->strokeWidth, 3);
    EXPECT_EQ(highlight->rect, wide);
    const auto spotlight = factory.make(K::spotlight, wide, doc);
    ASSERT_TRUE(spotlight);
    EXPECT_TRUE(spotlight->fill);

    EXPECT_FALSE(factory.make(K::arrow, QRectF(0, 0, 4, 4), doc));
    EXPECT_FALSE(factory.make(K::image, QRectF(0, 0, 4, 4), doc));
}

TEST(ToolAnnotationFactory, ItsToolsAreExactlyTheToolsWhoseKindItBuilds) {
    EditorDocument doc(test::blueOverWhite(), std::nullopt, 1);
    EditorCanvasSettings settings;
    QStringList built;
    for (const ToolTable::Row& row : ToolTable::rows()) {
        settings.choose(row.name);
        const auto kind = settings.style().drawingKind();
        if (kind && settings.toolAnnotation(*kind, QRectF(0, 0, 30, 20), doc)) built << row.name;
    }
    EXPECT_EQ(built, EditorCanvasSettings::annotationTools());
}

TEST(ToolAnnotationFactory, FreehandGrowsOnlyByPointsFarEnoughApart) {
    Annotation line = test::annotation(K::freehand, QRectF());
    EXPECT_TRUE(line.extended(QPointF(9, 9), 1).points.empty());
    line.points = {QPointF(0, 0)};
    line = line.extended(QPointF(1, 1), 2).extended(QPointF(3, 4), 2).extended(QPointF(std::nan(""), 0), 2);
    EXPECT_EQ(line.points.size(), 2u);
    EXPECT_EQ(line.rect, QRectF(0, 0, 3, 4));
}

TEST(ToolAnnotationFactory, FreehandLoopClosesAndIgnoresWhichWayTheRectangleWasDragged) {
    EditorDocument document(test::blueOverWhite(), std::nullopt, 1);
    EditorCanvasSettings settings;
    const auto reference = settings.toolAnnotation(K::freehand, QRectF(0, 0, 40, 20), document);
    ASSERT_TRUE(reference);
    // A loop of 49 points that closes on its first and spans the rectangle.
    ASSERT_EQ(reference->points.size(), 49u);
    EXPECT_NEAR(QLineF(reference->points.back(), reference->points.front()).length(), 0, 1e-9);
    EXPECT_NEAR(reference->rect.width(), 40, 1e-9);
    EXPECT_NEAR(reference->rect.height(), 20, 1e-9);
    EXPECT_TRUE(geom::exactlyEqual(reference->points[0], QPointF(40, 10)));
    EXPECT_GT(reference->points[12].y(), 10);
    for (const QRectF& dragged : {QRectF(40, 0, -40, 20), QRectF(0, 20, 40, -20), QRectF(40, 20, -40, -20)}) {
        const auto freehand = settings.toolAnnotation(K::freehand, dragged, document);
        ASSERT_TRUE(freehand);
        ASSERT_EQ(freehand->points.size(), reference->points.size());
        for (std::size_t i = 0; i < freehand->points.size(); ++i)
            EXPECT_NEAR(QLineF(freehand->points[i], reference->points[i]).length(), 0, 1e-9)
                << dragged.width() << " x " << dragged.height() << ", point " << i;
        EXPECT_TRUE(geom::exactlyEqual(freehand->rect, reference->rect));
    }
}

} // namespace
} // namespace quorvane
