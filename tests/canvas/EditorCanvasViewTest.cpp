#include "canvas/EditorCanvasView.h"

#include "CanvasViewTesting.h"
#include "canvas/AnnotationTextEditor.h"
#include "support/ImageCompare.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <gtest/gtest.h>
#include <limits>

namespace quorvane {
namespace {

using test::ShownCanvas;

TEST(EditorCanvasView, SpeaksSizeZoomModeAndSelection) {
    ShownCanvas canvas(test::filledImage(Qt::white, 1280, 720), {400, 300});
    canvas.settings.choose(QStringLiteral("Arrow"));
    canvas.view->refresh();
    EXPECT_EQ(canvas.view->accessibilityValue(), QStringLiteral("1280 by 720 pixels, fit, Arrow tool"));

    struct Case {
        double zoom;
        const char* spoken;
    };
    // Halves round away from zero: 12.5 speaks as 13.
    for (const Case& c : {Case{0.125, "13 percent"}, Case{1.5, "150 percent"}, Case{0.005, "1 percent"}}) {
        canvas.settings.viewport().setFit(false);
        canvas.settings.viewport().setZoomFraction(c.zoom);
        canvas.view->refresh();
        EXPECT_TRUE(canvas.view->accessibilityValue().contains(QLatin1String(c.spoken)))
            << c.zoom << ": " << canvas.view->accessibilityValue().toStdString();
    }

    canvas.settings.viewport().setFit(true);
    canvas.settings.toggleCrop();
    canvas.settings.modes().setSelection(QRectF(15.4, 39.5, 200.9, 100.2));
    const Annotation box =
        canvas.add(test::annotation(AnnotationKind::rectangle, QRectF(10.5, 20.2, 30, 40)));
    canvas.settings.modes().setSelectedID(box.id);
    canvas.view->refresh();
    EXPECT_EQ(canvas.view->accessibilityValue(),
              QStringLiteral(
                  "1280 by 720 pixels, fit, Crop mode, selection 200 by 100 pixels at 15, 40, selected ") +
                  box.spokenKind() + QStringLiteral(" 31 by 41 pixels at 10, 20"));
    canvas.settings.startRecognizing();
    canvas.view->refresh();
    EXPECT_TRUE(canvas.view->accessibilityValue().contains(QLatin1String("Recognize text mode")));
}

TEST(EditorCanvasView, AccessibleInterfaceCarriesLabelAndHelp) {
    ShownCanvas canvas(test::filledImage(Qt::white, 64, 32), {200, 100});
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(canvas.view.get());
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Grouping);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Screenshot canvas"));
    const QString help = accessible->text(QAccessible::Help);
    EXPECT_TRUE(help.contains(QLatin1String("Alt moves 10 pixels")));
    EXPECT_TRUE(help.contains(QLatin1String("Control Alt arrows bend a selected arrow")));
    EXPECT_TRUE(help.endsWith(QLatin1String("Control Return finishes text.")));
}

TEST(EditorCanvasView, ResizingCancelsACropDragButTheSameSizeDoesNot) {
    ShownCanvas canvas(test::filledImage(Qt::white, 100, 100), {300, 200});
    canvas.settings.toggleCrop();
    const auto startDrag = [&] {
        canvas.view->gesture().dragAnchor = QPointF(10, 10);
        canvas.settings.modes().setSelection(QRectF(1, 1, 20, 20));
        canvas.settings.modes().setMessage(QString());
    };
    startDrag();
    canvas.view->resize(300, 200);
    QApplication::processEvents();
    EXPECT_TRUE(canvas.view->gesture().dragAnchor.has_value());
    EXPECT_TRUE(canvas.settings.modes().selection().has_value());

    canvas.view->resize(320, 200);
    QApplication::processEvents();
    EXPECT_FALSE(canvas.view->gesture().dragAnchor.has_value());
    EXPECT_FALSE(canvas.settings.modes().selection().has_value());
    EXPECT_EQ(canvas.settings.modes().message(),
              QStringLiteral("Selection cancelled because the viewport changed."));

    // Without a drag a resize leaves the selection alone.
    canvas.settings.modes().setSelection(QRectF(1, 1, 20, 20));
    canvas.settings.modes().setMessage(QString());
    canvas.view->resize(340, 220);
    QApplication::processEvents();
    EXPECT_TRUE(canvas.settings.modes().selection().has_value());
    EXPECT_TRUE(canvas.settings.modes().message().isEmpty());
}

TEST(EditorCanvasView, UndoThatDeletesTheSelectionClearsItOnTheNextRefresh) {
    ShownCanvas canvas(test::filledImage(Qt::white, 100, 100), {200, 200});
    const Annotation box = canvas.add(test::annotation(AnnotationKind::rectangle, QRectF(10, 10, 30, 30)));
    canvas.settings.modes().setSelectedID(box.id);
    canvas.document->undoManager().undo();
    EXPECT_EQ(canvas.settings.modes().selectedID(), box.id);
    canvas.view->refresh(EditorCanvasView::Reconcile::later);
    QApplication::processEvents();
    EXPECT_FALSE(canvas.settings.modes().selectedID().has_value());
}

TEST(EditorCanvasView, CursorFollowsToolAndMode) {
    ShownCanvas canvas(test::filledImage(Qt::white, 100, 100), {200, 200});
    struct Case {
        const char* tool;
        bool crop;
        Qt::CursorShape shape;
    };
    for (const Case& c : {Case{"Pan", false, Qt::OpenHandCursor}, Case{"Select", false, Qt::ArrowCursor},
                          Case{"Arrow", false, Qt::CrossCursor}, Case{"Ruler", false, Qt::CrossCursor},
                          Case{"Pan", true, Qt::CrossCursor}, Case{"Select", true, Qt::CrossCursor}}) {
        canvas.settings.choose(QString::fromLatin1(c.tool));
        if (c.crop) canvas.settings.toggleCrop();
        canvas.view->refresh();
        EXPECT_EQ(canvas.view->cursor().shape(), c.shape) << c.tool << " crop " << c.crop;
    }
}

TEST(EditorCanvasView, TransformFitsZoomsAndRefusesBrokenZooms) {
    ShownCanvas canvas(test::filledImage(Qt::white, 400, 200), {200, 200});
    EXPECT_DOUBLE_EQ(canvas.view->transform().zoom, 0.5);
    canvas.settings.viewport().setFit(false);
    for (double zoom : {0.05, 1.0, 16.0}) {
        canvas.settings.viewport().setZoomFraction(zoom);
        EXPECT_DOUBLE_EQ(canvas.view->transform().zoom, zoom / canvas.view->backingScale());
    }
    // A zoom that is no number shows the image fitted rather than nothing at all.
    for (double broken :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 0.0}) {
        canvas.settings.viewport().setZoomFraction(broken);
        EXPECT_DOUBLE_EQ(canvas.view->transform().zoom, 0.5);
        EXPECT_FALSE(canvas.shot().isNull());
    }
    canvas.settings.viewport().setPan(QPointF(std::numeric_limits<double>::infinity(), 0));
    EXPECT_TRUE(canvas.view->transform().imageRect().isValid());
    // Shrunk to one pixel the view still draws.
    canvas.view->resize(1, 1);
    EXPECT_EQ(canvas.shot().size(), QSize(1, 1));
}

TEST(EditorCanvasView, DocumentWhoseCanvasCannotRenderReportsAndStillDraws) {
    ShownCanvas canvas(test::filledImage(Qt::white, 100, 100), {200, 200});
    canvas.document->setBitmapAllocator(test::failingAllocator);
    canvas.document->addAnnotation(test::annotation(AnnotationKind::rectangle, QRectF(10, 10, 30, 30)));
    canvas.view->refresh();
    EXPECT_FALSE(canvas.settings.modes().message().isEmpty());
    EXPECT_TRUE(canvas.view->drawnImage().isNull());
    EXPECT_FALSE(canvas.shot().isNull());
}

TEST(EditorCanvasView, BackingScaleTwoHalvesTheZoom) {
    const QImage image = test::noiseImage(100, 100);
    ShownCanvas canvas(image, {200, 200});
    if (canvas.view->backingScale() != 2.0) GTEST_SKIP() << "runs with QT_SCALE_FACTOR=2";
    canvas.settings.viewport().setFit(false);
    canvas.settings.viewport().setZoomFraction(1.0);
    EXPECT_DOUBLE_EQ(canvas.view->transform().zoom, 0.5);
    // One image pixel on one device pixel, unchanged.
    const QImage shot = canvas.shot();
    ASSERT_EQ(shot.size(), QSize(400, 400));
    EXPECT_TRUE(
        test::imagesNear(shot.copy(150, 150, 100, 100), image.convertToFormat(QImage::Format_ARGB32), 0));
}

TEST(EditorCanvasView, DocumentGoneFirstLeavesAQuietView) {
    ShownCanvas canvas(test::filledImage(Qt::white, 100, 100), {200, 200});
    canvas.view->beginTextEditing(test::annotation(AnnotationKind::text, QRectF(10, 10, 30, 30)));
    canvas.document.reset();
    EXPECT_EQ(canvas.view->document(), nullptr);
    EXPECT_FALSE(canvas.view->textEditor().isOpen());
    EXPECT_FALSE(canvas.settings.modes().editingText());
    EXPECT_FALSE(canvas.shot().isNull());
    canvas.view->refresh();
}

} // namespace
} // namespace quorvane
