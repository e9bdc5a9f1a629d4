#include "canvas/SelectionGesture.h"

#include "MouseTesting.h"
#include "canvas/AnnotationTextEditor.h"
#include "document/OverlayBudget.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

// 200 × 100 at two view units per pixel, with the Select tool.
struct Canvas : test::MouseCanvas {
    Canvas() : MouseCanvas(2) {
        settings.choose(QStringLiteral("Select"));
        view->refresh();
    }
    Annotation selected(const Annotation& a) {
        const Annotation added = add(a);
        settings.modes().setSelectedID(added.id);
        return added;
    }
};

Annotation arrow(QPointF start, QPointF end, std::optional<QPointF> bend = std::nullopt) {
    Annotation a = test::annotation(AnnotationKind::arrow, QRectF(start, end).normalized());
    a.start = start;
    a.end = end;
    if (bend) a = a.bent(*bend);
    return a;
}

TEST(SelectionGesture, HandlesReachExactlyTheirViewDistance) {
    struct Case {
        double offset; // view units right of the handle
        bool grabs;
    };
    for (const Case& c : {Case{8.0, true}, Case{8.5, false}}) {
        Canvas canvas;
        canvas.selected(test::annotation(AnnotationKind::rectangle, QRectF(20, 20, 40, 30)));
        canvas.mouse.press(canvas.mouse.at(60, 50) + QPointF(c.offset, 0));
        EXPECT_EQ(canvas.view->gesture().resizing, c.grabs) << c.offset;
        canvas.mouse.release(canvas.mouse.at(60, 50) + QPointF(c.offset, 0));
        // The grabbed corner goes where the pointer is.
        EXPECT_EQ(canvas.document->annotations().front().rect.width(), c.grabs ? 44 : 40) << c.offset;
    }
    for (const Case& c : {Case{11.0, true}, Case{11.5, false}}) {
        Canvas canvas;
        canvas.selected(arrow({20, 60}, {80, 60}));
        canvas.mouse.press(canvas.mouse.at(50, 60) + QPointF(c.offset, 0));
        EXPECT_EQ(canvas.view->gesture().bending, c.grabs) << c.offset;
        canvas.mouse.release(canvas.mouse.at(50, 60) + QPointF(c.offset, 0));
    }
}

TEST(SelectionGesture, BendHandleWinsOverResizeHandleAndResizeHandleOverWhatLiesAbove) {
    Canvas canvas;
    canvas.selected(arrow({20, 20}, {26, 22}));
    canvas.mouse.press(canvas.mouse.at(24.5, 21.5));
    EXPECT_TRUE(canvas.view->gesture().bending);
    EXPECT_FALSE(canvas.view->gesture().resizing);
    canvas.mouse.release(canvas.mouse.at(24.5, 21.5));

    Canvas stacked;
    const Annotation below =
        stacked.selected(test::annotation(AnnotationKind::rectangle, QRectF(20, 20, 40, 30)));
    Annotation cover = test::annotation(AnnotationKind::rectangle, QRectF(50, 40, 40, 30));
    cover.fill = true;
    const Annotation above = stacked.add(cover);
    stacked.mouse.drag(stacked.mouse.at(60, 50), stacked.mouse.at(70, 60));
    EXPECT_EQ(stacked.document->annotations().front().rect, QRectF(20, 20, 50, 40));
    EXPECT_EQ(stacked.settings.modes().selectedID(), below.id);
    // A plain click picks the topmost annotation under the pointer.
    stacked.mouse.click(stacked.mouse.at(80, 60));
    EXPECT_EQ(stacked.settings.modes().selectedID(), above.id);
    // Outside the crop or on empty canvas nothing is selected.
    stacked.mouse.click(stacked.mouse.at(150, 10));
    EXPECT_FALSE(stacked.settings.modes().selectedID().has_value());
}

TEST(SelectionGesture, DoubleClickOpensTextButATripleClickIsASingleOne) {
    Canvas canvas;
    Annotation note = test::annotation(AnnotationKind::text, QRectF(20, 20, 60, 30));
    note.text = QStringLiteral("Note");
    note.fill = true;
    canvas.add(note);
    canvas.mouse.tripleClick(canvas.mouse.at(40, 30));
    EXPECT_FALSE(canvas.view->textEditor().isOpen());
    EXPECT_EQ(canvas.settings.modes().selectedID(), note.id);

    canvas.mouse.doubleClick(canvas.mouse.at(40, 30));
    EXPECT_TRUE(canvas.view->textEditor().isOpen());
    canvas.view->finishTextEditing(TextEditEnding::cancel);

    // On any other kind a double click is a click.
    const Annotation box = canvas.add(test::annotation(AnnotationKind::rectangle, QRectF(100, 20, 40, 30)));
    canvas.mouse.doubleClick(canvas.mouse.at(100, 30));
    EXPECT_FALSE(canvas.view->textEditor().isOpen());
    EXPECT_EQ(canvas.settings.modes().selectedID(), box.id);
}

TEST(SelectionGesture, DoubleClickOnTheBendHandleStraightensABentArrowOnly) {
    Canvas canvas;
    const Annotation bent = canvas.add(arrow({20, 60}, {80, 60}, QPointF(50, 50)));
    ASSERT_EQ(bent.bend, QPointF(50, 40));
    canvas.mouse.doubleClick(canvas.mouse.at(50, 50));
    const Annotation& straight = canvas.document->annotations().front();
    EXPECT_FALSE(straight.bend.has_value());
    EXPECT_EQ(straight.rect, QRectF(20, 60, 60, 0));
    EXPECT_EQ(canvas.settings.lastAnnouncement(), QStringLiteral("Arrow straightened"));
    EXPECT_EQ(canvas.document->undoManager().undoActionName(), QStringLiteral("Edit Annotation"));

    canvas.settings.modes().setMessage(QString());
    const qint64 revision = canvas.document->revision();
    canvas.mouse.doubleClick(canvas.mouse.at(50, 60));
    EXPECT_EQ(canvas.document->revision(), revision);
    EXPECT_EQ(test::undoSteps(*canvas.document), 2);
}

TEST(SelectionGesture, ResizingPastTheOriginStopsAtOnePixel) {
    Canvas canvas;
    canvas.selected(test::annotation(AnnotationKind::rectangle, QRectF(20, 20, 40, 30)));
    canvas.mouse.drag(canvas.mouse.at(60, 50), canvas.mouse.at(5, 8));
    EXPECT_EQ(canvas.document->annotations().front().rect, QRectF(20, 20, 1, 1));
}

TEST(SelectionGesture, OverlaysMoveByWholePixelsAndShiftFreesTheirAspect) {
    Canvas canvas;
    QImage pixels = test::filledImage(Qt::green, 20, 10);
    Annotation picture = test::annotation(AnnotationKind::image, QRectF(20, 20, 20, 10));
    picture.overlay = OverlayBudget::admit(pixels).value();
    const Annotation overlay = canvas.add(picture);
    canvas.add(test::annotation(AnnotationKind::rectangle, QRectF(100, 20, 40, 30)));

    // Three view units are one and a half pixels.
    canvas.mouse.drag(canvas.mouse.at(30, 25), canvas.mouse.at(30, 25) + QPointF(3, -3));
    EXPECT_EQ(canvas.document->annotations().front().rect, QRectF(22, 18, 20, 10));
    canvas.mouse.drag(canvas.mouse.at(100, 30), canvas.mouse.at(100, 30) + QPointF(3, 0));
    EXPECT_EQ(canvas.document->annotations().back().rect, QRectF(101.5, 20, 40, 30));

    canvas.settings.modes().setSelectedID(overlay.id);
    canvas.mouse.drag(canvas.mouse.at(42, 28), canvas.mouse.at(62, 33));
    EXPECT_EQ(canvas.document->annotations().front().rect, QRectF(22, 18, 40, 20));
    canvas.mouse.drag(canvas.mouse.at(62, 38), canvas.mouse.at(72, 38), 4, Qt::ShiftModifier);
    EXPECT_EQ(canvas.document->annotations().front().rect, QRectF(22, 18, 50, 20));
}

TEST(SelectionGesture, ArrowToolBendsTheSelectedArrowOrDrawsANewOne) {
    Canvas canvas;
    canvas.settings.choose(QStringLiteral("Arrow"));
    const Annotation straight = canvas.selected(arrow({20, 60}, {80, 60}));
    canvas.mouse.drag(canvas.mouse.at(50, 60), canvas.mouse.at(50, 50));
    ASSERT_EQ(canvas.document->annotations().size(), 1u);
    EXPECT_EQ(canvas.document->annotations().front().bend, QPointF(50, 40));
    EXPECT_EQ(canvas.document->annotations().front().id, straight.id);

    canvas.mouse.drag(canvas.mouse.at(20, 20), canvas.mouse.at(60, 20));
    EXPECT_EQ(canvas.document->annotations().size(), 2u);
}

} // namespace
} // namespace quorvane
