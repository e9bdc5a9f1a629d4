#include "canvas/CanvasGesture.h"

#include "MouseTesting.h"
#include "canvas/EditorCanvasView.h"

#include <QApplication>
#include <QKeyEvent>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// A tool key in the middle of a drag ends the gesture as a whole: the grab of the bend handle goes
// with the anchor, so the release neither bends the arrow nor leaves a grab for the next press.
TEST(CanvasGesture, AToolKeyDuringADragForgetsTheWholeGesture) {
    test::MouseCanvas canvas(2);
    canvas.settings.choose(QStringLiteral("Select"));
    Annotation arrow = test::annotation(AnnotationKind::arrow, QRectF(20, 60, 60, 0));
    arrow.start = QPointF(20, 60);
    arrow.end = QPointF(80, 60);
    canvas.settings.modes().setSelectedID(canvas.add(arrow).id);
    const qint64 revision = canvas.document->revision();

    canvas.mouse.press(canvas.mouse.at(50, 60));
    canvas.mouse.move(canvas.mouse.at(50, 50));
    ASSERT_TRUE(canvas.view->gesture().bending);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_O, Qt::NoModifier);
    QApplication::sendEvent(canvas.view.get(), &key);
    CanvasGesture idle;
    idle.previewCanvas = canvas.view->gesture().previewCanvas;
    idle.dragPan = canvas.view->gesture().dragPan;
    EXPECT_TRUE(canvas.view->gesture() == idle);
    canvas.mouse.release(canvas.mouse.at(50, 40));
    EXPECT_EQ(canvas.document->revision(), revision);
    EXPECT_EQ(canvas.settings.style().tool(), QStringLiteral("Oval"));
}

} // namespace
} // namespace quorvane
