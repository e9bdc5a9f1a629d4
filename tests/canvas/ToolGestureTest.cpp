#include "MouseTesting.h"
#include "canvas/AnnotationTextEditor.h"
#include "canvas/ToolGesture.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using Canvas = test::MouseCanvas; // at two view units per pixel

TEST(ToolGesture, APressOutsideTheCropDrawsNothingEvenWhenTheDragEntersTheImage) {
    for (const char* tool :
         {"Arrow", "Rectangle", "Bracket", "Freehand", "Counter", "Magnifier", "Highlight"}) {
        SCOPED_TRACE(tool);
        Canvas canvas(2);
        canvas.settings.choose(QString::fromLatin1(tool));
        canvas.mouse.drag(canvas.mouse.at(-10, 20), canvas.mouse.at(60, 50));
        EXPECT_TRUE(canvas.document->annotations().empty());
        EXPECT_FALSE(canvas.document->undoManager().canUndo());
    }
}

TEST(ToolGesture, BracketSpineFollowsTheLargerExtentAndEqualExtentsAreVertical) {
    struct Case {
        QPointF to;
        QPointF end;
    };
    for (const Case& c : {Case{{60, 60}, {20, 60}}, Case{{70, 50}, {70, 20}}, Case{{30, 80}, {20, 80}}}) {
        Canvas canvas(2);
        canvas.settings.choose(QStringLiteral("Bracket"));
        canvas.mouse.drag(canvas.mouse.at(20, 20), canvas.mouse.at(c.to));
        ASSERT_EQ(canvas.document->annotations().size(), 1u);
        const Annotation& bracket = canvas.document->annotations().front();
        EXPECT_EQ(bracket.start, QPointF(20, 20));
        EXPECT_EQ(bracket.end, c.end);
        EXPECT_FALSE(bracket.fill);
    }
}

TEST(ToolGesture, FreehandNeedsOneViewUnitAndStartsWithTwoPoints) {
    Canvas canvas(2);
    canvas.settings.choose(QStringLiteral("Freehand"));
    const QPointF from = canvas.mouse.at(20, 20);
    // Half a pixel is one view unit at this zoom.
    canvas.mouse.drag(from, from + QPointF(0.9, 0), 1);
    EXPECT_TRUE(canvas.document->annotations().empty());
    canvas.mouse.drag(from, from + QPointF(1, 0), 1);
    ASSERT_EQ(canvas.document->annotations().size(), 1u);
    EXPECT_EQ(canvas.document->annotations().front().points, (std::vector<QPointF>{{20, 20}, {20.5, 20}}));

    // A longer line keeps its first id and gathers the pointer's path.
    canvas.mouse.drag(canvas.mouse.at(30, 30), canvas.mouse.at(60, 60), 6);
    ASSERT_EQ(canvas.document->annotations().size(), 2u);
    EXPECT_EQ(canvas.document->annotations().back().points.size(), 7u);
}

TEST(ToolGesture, ArrowsRunFromPressToReleaseAndCurvedOnesBowTowardThePath) {
    Canvas canvas(2);
    canvas.settings.choose(QStringLiteral("Arrow"));
    canvas.mouse.press(canvas.mouse.at(20, 20));
    canvas.mouse.move(canvas.mouse.at(50, 10));
    canvas.mouse.release(canvas.mouse.at(80, 20));
    const Annotation straight = canvas.document->annotations().back();
    EXPECT_EQ(straight.start, QPointF(20, 20));
    EXPECT_EQ(straight.end, QPointF(80, 20));
    EXPECT_FALSE(straight.bend.has_value());

    canvas.settings.style().setArrowCurved(true);
    canvas.mouse.press(canvas.mouse.at(20, 50));
    canvas.mouse.move(canvas.mouse.at(50, 40));
    canvas.mouse.release(canvas.mouse.at(80, 50));
    const Annotation curved = canvas.document->annotations().back();
    ASSERT_TRUE(curved.bend.has_value());
    EXPECT_LT(curved.arrowMidpoint().y(), 50) << "bows up, where the pointer went";
}

TEST(ToolGesture, MagnifierGrowsAroundThePressAndHighlightNeedsBothSides) {
    Canvas canvas(2);
    canvas.settings.choose(QStringLiteral("Magnifier"));
    canvas.mouse.drag(canvas.mouse.at(50, 50), canvas.mouse.at(53, 54));
    ASSERT_EQ(canvas.document->annotations().size(), 1u);
    EXPECT_EQ(canvas.document->annotations().front().rect, QRectF(45, 45, 10, 10));

    canvas.settings.choose(QStringLiteral("Highlight"));
    canvas.mouse.drag(canvas.mouse.at(20, 20), canvas.mouse.at(80, 20));
    EXPECT_EQ(canvas.document->annotations().size(), 1u);
    canvas.mouse.drag(canvas.mouse.at(20, 20), canvas.mouse.at(80, 30));
    EXPECT_EQ(canvas.document->annotations().size(), 2u);
}

TEST(ToolGesture, TextClickOpensABoxCutAtTheCropAndAddsOnlyWrittenText) {
    Canvas canvas(2);
    canvas.settings.choose(QStringLiteral("Text"));
    canvas.mouse.click(canvas.mouse.at(-5, 20));
    EXPECT_FALSE(canvas.view->textEditor().isOpen());

    canvas.mouse.click(canvas.mouse.at(180, 20));
    ASSERT_TRUE(canvas.view->textEditor().isOpen());
    EXPECT_EQ(canvas.view->textEditor().annotation()->rect.topLeft(), QPointF(180, 20));
    EXPECT_EQ(canvas.view->textEditor().annotation()->rect.width(), 20);
    EXPECT_EQ(canvas.view->textEditor().annotation()->rect.height(), 80);
    canvas.view->finishTextEditing(TextEditEnding::commit);
    EXPECT_TRUE(canvas.document->annotations().empty()) << "blank text adds nothing";

    canvas.mouse.click(canvas.mouse.at(30, 20));
    canvas.view->textEditor().textView()->setPlainText(QStringLiteral("Note"));
    canvas.view->finishTextEditing(TextEditEnding::commit);
    ASSERT_EQ(canvas.document->annotations().size(), 1u);
    EXPECT_EQ(canvas.document->undoManager().undoActionName(), QStringLiteral("Add Annotation"));
    EXPECT_EQ(test::undoSteps(*canvas.document), 1);
}

} // namespace
} // namespace quorvane
