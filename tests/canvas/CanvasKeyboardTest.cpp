#include "canvas/CanvasKeyboard.h"

#include "CanvasTesting.h"
#include "MouseTesting.h"
#include "canvas/AnnotationTextEditor.h"
#include "canvas/CanvasActionRouter.h"
#include "canvas/CanvasEditCommands.h"
#include "canvas/CanvasZoom.h"
#include "canvas/EditorCanvasSettings.h"
#include "platform/SystemClipboard.h"
#include "support/CountingBeeper.h"
#include "support/QtPrinters.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QNativeGestureEvent>
#include <QPointingDevice>
#include <QPushButton>
#include <QWheelEvent>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace quorvane {
namespace {

using test::annotation;
using test::filledImage;

struct KeyCanvas : test::MouseCanvas {
    SystemClipboard clipboard{*QGuiApplication::clipboard()};
    test::CountingBeeper beeper;

    explicit KeyCanvas(const QImage& image = filledImage(Qt::white, 200, 100)) : MouseCanvas(1, image) {
        view->editCommands().setServices(&clipboard, &beeper);
    }
    bool key(int code, Qt::KeyboardModifiers modifiers = {}, bool autoRepeat = false) {
        QKeyEvent event(QEvent::KeyPress, code, modifiers, QString(), autoRepeat);
        QApplication::sendEvent(view.get(), &event);
        return event.isAccepted();
    }
    void choose(const char* tool) {
        settings.choose(QString::fromLatin1(tool));
        view->refresh();
    }
    // Shows the view in `window` beside `other`, a widget that takes the focus.
    void showIn(QWidget& window, QWidget& other) {
        view->setParent(&window);
        other.setParent(&window);
        other.setFocusPolicy(Qt::StrongFocus);
        window.show();
        window.activateWindow();
    }
};

TEST(CanvasKeyboard, TabCyclesAnnotationsInsideTheCropFrontToBack) {
    KeyCanvas c;
    const Annotation bottom = c.add(annotation(AnnotationKind::rectangle, {10, 10, 20, 20}));
    const Annotation outside = c.add(annotation(AnnotationKind::rectangle, {150, 60, 20, 20}));
    const Annotation middle = c.add(annotation(AnnotationKind::oval, {40, 10, 20, 20}));
    const Annotation top = c.add(annotation(AnnotationKind::rectangle, {70, 10, 20, 20}));
    ASSERT_TRUE(c.document->crop(QRectF(0, 0, 120, 50)));
    c.view->refresh();
    c.choose("Select");

    for (const QUuid& expected : {top.id, middle.id, bottom.id, top.id}) {
        c.key(Qt::Key_Tab);
        EXPECT_EQ(c.settings.modes().selectedID(), expected);
    }
    c.settings.modes().setSelectedID(std::nullopt);
    for (const QUuid& expected : {bottom.id, middle.id, top.id, bottom.id}) {
        c.key(Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(c.settings.modes().selectedID(), expected);
    }
    EXPECT_NE(c.settings.modes().selectedID(), outside.id);

    // Another tool, or crop mode, leaves the annotations alone.
    c.settings.modes().setSelectedID(std::nullopt);
    c.choose("Rectangle");
    c.key(Qt::Key_Tab);
    EXPECT_FALSE(c.settings.modes().selectedID());
    EXPECT_FALSE(c.view->keyboard().cycleAnnotations(false));
}

TEST(CanvasKeyboard, TabOutsideTheSelectToolMovesTheFocus) {
    KeyCanvas c;
    c.add(annotation(AnnotationKind::rectangle, {10, 10, 20, 20}));
    QWidget window, other;
    c.showIn(window, other);
    c.view->setFocus();
    ASSERT_EQ(window.focusWidget(), c.view.get());
    c.key(Qt::Key_Tab);
    EXPECT_EQ(window.focusWidget(), &other);
    EXPECT_FALSE(c.settings.modes().selectedID());

    c.choose("Select");
    c.view->setFocus();
    c.key(Qt::Key_Tab, Qt::ControlModifier); // Ctrl+Tab always leaves
    EXPECT_EQ(window.focusWidget(), &other);
    c.view->setFocus();
    c.key(Qt::Key_Tab);
    EXPECT_EQ(window.focusWidget(), c.view.get());
    EXPECT_TRUE(c.settings.modes().selectedID());
    c.view->setParent(nullptr);
}

// Reached by Tab, the canvas shows that it has the keyboard along its edge; left, it does not.
TEST(CanvasKeyboard, TheCanvasReachedByTabShowsTheKeyboard) {
    KeyCanvas c;
    QWidget window, other;
    c.showIn(window, other);
    QApplication::setActiveWindow(&window);
    const QColor accent = c.view->palette().color(QPalette::Highlight);
    const auto edge = [&] { return c.view->grab().toImage().pixelColor(c.view->width() / 2, 1); };
    other.setFocus(Qt::TabFocusReason);
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(&other, &tab);
    ASSERT_TRUE(c.view->hasFocus());
    EXPECT_EQ(edge(), accent);
    other.setFocus(Qt::TabFocusReason);
    EXPECT_NE(edge(), accent);
    c.view->setParent(nullptr);
}

TEST(CanvasKeyboard, EscapeUnwindsOneLevelAtATime) {
    KeyCanvas c;
    const Annotation a = c.add(annotation(AnnotationKind::rectangle, {10, 10, 20, 20}));
    c.settings.modes().setSelectedID(a.id);
    c.settings.modes().setCropping(true);
    c.settings.modes().setSelection(QRectF(1, 1, 30, 30));
    c.settings.modes().setMessage(QStringLiteral("something"));
    c.key(Qt::Key_Escape);
    EXPECT_FALSE(c.settings.modes().selection());
    EXPECT_TRUE(c.settings.modes().cropping());
    EXPECT_EQ(c.settings.modes().message(), "");
    c.key(Qt::Key_Escape);
    EXPECT_FALSE(c.settings.modes().cropping());
    EXPECT_EQ(c.settings.modes().selectedID(), a.id);
    c.key(Qt::Key_Escape);
    EXPECT_FALSE(c.settings.modes().selectedID());
}

TEST(CanvasKeyboard, ReturnActsPerMode) {
    {
        KeyCanvas c;
        c.settings.modes().setCropping(true);
        c.settings.modes().setSelection(QRectF(10, 5, 50, 40));
        c.key(Qt::Key_Return);
        EXPECT_EQ(c.document->cropRect(), QRectF(10, 5, 50, 40));
    }
    {
        KeyCanvas c;
        std::optional<QImage> recognised;
        c.settings.recognizeHandler = [&](const QImage& image, const QString&) { recognised = image; };
        c.settings.startRecognizing();
        c.key(Qt::Key_Enter, Qt::KeypadModifier);
        ASSERT_TRUE(recognised);
        EXPECT_EQ(recognised->size(), QSize(200, 100));
    }
    {
        KeyCanvas c;
        c.choose("Rectangle");
        c.settings.style().setStrokeWidth(7);
        c.settings.style().setFill(true);
        c.settings.modes().setSelection(QRectF(10, 5, 50, 40));
        c.key(Qt::Key_Return);
        ASSERT_EQ(c.document->annotations().size(), 1u);
        const Annotation& added = c.document->annotations().back();
        EXPECT_EQ(added.kind, AnnotationKind::rectangle);
        EXPECT_EQ(added.rect, QRectF(10, 5, 50, 40));
        EXPECT_EQ(added.strokeWidth, 7);
        EXPECT_TRUE(added.fill);
        EXPECT_EQ(c.settings.modes().selectedID(), added.id);
        EXPECT_EQ(c.settings.lastAnnouncement(), "Rectangle added");
        EXPECT_FALSE(c.settings.modes().selection());
    }
    {
        KeyCanvas c;
        c.choose("Text");
        c.settings.modes().setSelection(QRectF(10, 5, 50, 40));
        c.key(Qt::Key_Return);
        EXPECT_TRUE(c.view->textEditor().isOpen());
        EXPECT_TRUE(c.document->annotations().empty());
    }
    {
        KeyCanvas c;
        c.choose("Bracket");
        c.settings.modes().setSelection(QRectF(10, 20, 200 - 20, 40));
        c.key(Qt::Key_Return);
        ASSERT_EQ(c.document->annotations().size(), 1u);
        const Annotation& bracket = c.document->annotations().back();
        EXPECT_EQ(bracket.start, QPointF(10, 20));
        EXPECT_EQ(bracket.end, QPointF(190, 20));
    }
    {
        KeyCanvas c;
        c.choose("Select");
        const Annotation text = [] {
            Annotation a = annotation(AnnotationKind::text, {10, 10, 80, 30});
            a.text = QStringLiteral("hello");
            return a;
        }();
        c.add(text);
        c.settings.modes().setSelectedID(text.id);
        c.key(Qt::Key_Return);
        EXPECT_TRUE(c.view->textEditor().isOpen());
    }
}

TEST(CanvasKeyboard, ArrowsMakeMoveAndResizeAKeyboardSelection) {
    KeyCanvas c(filledImage(Qt::white, 101, 51));
    c.settings.modes().setCropping(true);
    c.key(Qt::Key_Right);
    EXPECT_EQ(c.settings.modes().selection(), QRectF(25, 12, 51, 26));
    c.key(Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(c.settings.modes().selection(), QRectF(35, 12, 51, 26));
    for (int i = 0; i < 5; ++i)
        c.key(Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(c.settings.modes().selection(), QRectF(50, 12, 51, 26)); // against the right edge
    c.key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(c.settings.modes().selection(), QRectF(50, 12, 51, 26));
    for (int i = 0; i < 60; ++i)
        c.key(Qt::Key_Left, Qt::ShiftModifier, true);
    EXPECT_EQ(c.settings.modes().selection(), QRectF(50, 12, 1, 26));
    c.key(Qt::Key_Up, Qt::ShiftModifier | Qt::KeypadModifier);
    EXPECT_EQ(c.settings.modes().selection(), QRectF(50, 12, 1, 25));
}

TEST(CanvasKeyboard, ArrowsMoveAndBendTheSelectedAnnotationAsOneStepEach) {
    KeyCanvas c;
    c.choose("Select");
    Annotation arrow = annotation(AnnotationKind::arrow, {20, 20, 100, 0});
    arrow.start = {20, 20};
    arrow.end = {120, 20};
    c.add(arrow);
    c.settings.modes().setSelectedID(arrow.id);
    c.key(Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(c.document->annotations().back().start, QPointF(30, 20));
    c.key(Qt::Key_Down);
    EXPECT_EQ(c.document->annotations().back().start, QPointF(30, 21));
    const QPointF middle = c.document->annotations().back().arrowMidpoint();
    c.key(Qt::Key_Down, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_NEAR(c.document->annotations().back().arrowMidpoint().y(), middle.y() + 2, 0.01);
    c.key(Qt::Key_Down, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_NEAR(c.document->annotations().back().arrowMidpoint().y(), middle.y() + 12, 0.01);
    EXPECT_EQ(test::undoSteps(*c.document), 5); // the add, two moves, two bends
}

TEST(CanvasKeyboard, ArrowsPanInThePanTool) {
    KeyCanvas c;
    c.choose("Pan");
    c.key(Qt::Key_Right);
    EXPECT_EQ(c.settings.viewport().pan(), QPointF(-20, 0));
    c.key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(c.settings.viewport().pan(), QPointF(-20, 100));
}

TEST(CanvasKeyboard, ToolLettersSwitchOnlyWithoutModifiers) {
    KeyCanvas c;
    c.key(Qt::Key_R);
    EXPECT_EQ(c.settings.style().tool(), "Rectangle");
    for (const auto modifiers : {Qt::ShiftModifier, Qt::AltModifier, Qt::MetaModifier})
        c.key(Qt::Key_O, modifiers);
    EXPECT_EQ(c.settings.style().tool(), "Rectangle");
    c.key(Qt::Key_C);
    EXPECT_TRUE(c.settings.modes().cropping());
    c.key(Qt::Key_C);
    EXPECT_FALSE(c.settings.modes().cropping());
    // Held for a long time: repeats switch to the same tool and nothing else happens.
    for (int i = 0; i < 500; ++i)
        c.key(Qt::Key_M, {}, true);
    EXPECT_EQ(c.settings.style().tool(), "Ruler");
    EXPECT_FALSE(c.document->undoManager().canUndo());
}

TEST(CanvasKeyboard, ZoomKeysStepAndStayInRange) {
    KeyCanvas c;
    c.key(Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_FALSE(c.settings.viewport().fit());
    EXPECT_DOUBLE_EQ(c.settings.viewport().zoomFraction(), 2);
    c.key(Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(c.settings.viewport().zoomFraction(), 4);
    c.key(Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(c.settings.viewport().zoomFraction(), 2);
    for (int i = 0; i < 40; ++i)
        c.key(Qt::Key_Plus, Qt::ControlModifier, true);
    EXPECT_DOUBLE_EQ(c.settings.viewport().zoomFraction(), 16);
    for (int i = 0; i < 40; ++i)
        c.key(Qt::Key_Minus, Qt::ControlModifier, true);
    EXPECT_DOUBLE_EQ(c.settings.viewport().zoomFraction(), 0.05);
    c.key(Qt::Key_0, Qt::ControlModifier);
    EXPECT_TRUE(c.settings.viewport().fit());
}

TEST(CanvasKeyboard, CtrlShortcutsUndoRedoDuplicateAndDeleteKeysRemove) {
    KeyCanvas c;
    const Annotation a = c.add(annotation(AnnotationKind::rectangle, {10, 10, 20, 20}));
    // Nothing selected: consumed, nothing copied.
    EXPECT_TRUE(c.key(Qt::Key_D, Qt::ControlModifier));
    EXPECT_EQ(c.document->annotations().size(), 1u);
    c.settings.modes().setSelectedID(a.id);
    c.key(Qt::Key_D, Qt::ControlModifier);
    ASSERT_EQ(c.document->annotations().size(), 2u);
    EXPECT_EQ(c.settings.modes().selectedID(), c.document->annotations().back().id);
    c.key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(c.document->annotations().size(), 1u);
    c.key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(c.document->annotations().size(), 2u);
    for (const int code : {Qt::Key_Delete, Qt::Key_Backspace}) {
        c.settings.modes().setSelectedID(c.document->annotations().back().id);
        c.key(code);
        EXPECT_EQ(c.settings.lastAnnouncement(), "Annotation deleted");
        EXPECT_FALSE(c.settings.modes().selectedID());
    }
    EXPECT_TRUE(c.document->annotations().empty());
}

TEST(CanvasEditCommands, CopyPutsTheFinalImageOnTheClipboardUnlessTheShellDid) {
    KeyCanvas c;
    QGuiApplication::clipboard()->clear();
    c.view->editCommands().copy();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasFormat(QStringLiteral("image/png")));
    EXPECT_EQ(c.settings.modes().message(), "Copied image.");
    EXPECT_EQ(c.settings.lastAnnouncement(), "Copied image");

    int shellCopies = 0;
    c.view->editCommands().copyHandler = [&] { return ++shellCopies > 0; };
    c.settings.modes().setMessage(QString());
    c.view->editCommands().copy();
    EXPECT_EQ(shellCopies, 1);
    EXPECT_EQ(c.settings.modes().message(), "");
}

TEST(CanvasEditCommands, ARedactTextReviewBlocksCopyAndTakesEscapeAndArrows) {
    KeyCanvas c;
    auto* review = new test::FakeTextRedactionReview(c.document.get());
    c.document->setTextRedactionReview(review);
    c.settings.modes().setTextRedaction(review);
    c.view->editCommands().copy();
    EXPECT_EQ(c.beeper.beeps, 1);
    EXPECT_EQ(c.settings.modes().message(), "Apply or cancel Redact Text first.");
    EXPECT_EQ(c.settings.lastAnnouncement(), "Apply or cancel Redact Text first.");
    EXPECT_FALSE(c.view->editCommands().isEnabled(CanvasEditCommands::Action::copy));

    std::vector<bool> finished;
    c.view->editCommands().finishTextRedaction = [&](bool apply) { finished.push_back(apply); };
    c.settings.modes().setCropping(true);
    c.key(Qt::Key_Down);
    EXPECT_FALSE(c.settings.modes().selection());
    c.key(Qt::Key_Return);
    c.key(Qt::Key_Escape);
    EXPECT_EQ(finished, (std::vector<bool>{true, false}));
    EXPECT_TRUE(c.settings.modes().cropping());
    c.document->setTextRedactionReview(nullptr);
    delete review;
}

TEST(CanvasActionRouter, CommandsReachTheCanvasUnlessATextFieldHasTheKeyboard) {
    KeyCanvas c;
    QWidget window;
    QLineEdit field;
    c.showIn(window, field);
    QPushButton button(&window);
    button.show();
    const Annotation a = c.add(annotation(AnnotationKind::rectangle, {10, 10, 20, 20}));
    c.settings.modes().setSelectedID(a.id);
    // A text field of the window keeps the edit commands.
    field.setFocus();
    EXPECT_FALSE(CanvasActionRouter::trigger(&window, CanvasEditCommands::Action::deleteSelection));
    EXPECT_FALSE(CanvasActionRouter::isEnabled(&window, CanvasEditCommands::Action::copy));
    // A button with the keyboard (or the menu bar after Escape) leaves them to the canvas.
    button.setFocus();
    EXPECT_TRUE(CanvasActionRouter::isEnabled(&window, CanvasEditCommands::Action::copy));
    EXPECT_TRUE(CanvasActionRouter::trigger(&window, CanvasEditCommands::Action::deleteSelection));
    EXPECT_TRUE(c.document->annotations().empty());
    c.view->setParent(nullptr);
}

TEST(CanvasZoom, WheelPansAndPinchZoomsAboutThePointer) {
    KeyCanvas c;
    c.view->zoom().scroll(QPointF(), QPointF(0, 120));
    EXPECT_EQ(c.settings.viewport().pan(), QPointF(0, 10));
    c.view->zoom().scroll(QPointF(), QPointF(-6, 0)); // a touchpad's small step
    EXPECT_EQ(c.settings.viewport().pan(), QPointF(-0.5, 10));
    c.view->zoom().scroll(QPointF(3, 4), QPointF(0, 120));
    EXPECT_EQ(c.settings.viewport().pan(), QPointF(2.5, 14));

    const QPointF pointer = c.mouse.at(150, 40);
    QNativeGestureEvent pinch(Qt::ZoomNativeGesture, QPointingDevice::primaryPointingDevice(), 2, pointer,
                              pointer, c.view->mapToGlobal(pointer), 0.5, {}, 0);
    QApplication::sendEvent(c.view.get(), &pinch);
    EXPECT_DOUBLE_EQ(c.settings.viewport().zoomFraction(), 1.5);
    const QPointF after = c.mouse.at(150, 40);
    EXPECT_NEAR(after.x(), pointer.x(), 1e-9);
    EXPECT_NEAR(after.y(), pointer.y(), 1e-9);
}

TEST(CanvasZoom, WildWheelAndPinchValuesKeepTheZoomInRange) {
    KeyCanvas c;
    const double big = 2147483648.0;
    for (const double delta : {big, -big})
        c.view->zoom().scroll(QPointF(), QPointF(delta, delta));
    EXPECT_TRUE(std::isfinite(c.settings.viewport().pan().x()));
    QWheelEvent wheel(QPointF(10, 10), c.view->mapToGlobal(QPointF(10, 10)), QPoint(),
                      QPoint(std::numeric_limits<int>::min(), std::numeric_limits<int>::max()), Qt::NoButton,
                      {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(c.view.get(), &wheel);
    EXPECT_TRUE(std::isfinite(c.settings.viewport().pan().y()));
    const double before = c.settings.viewport().zoomFraction();
    c.view->zoom().magnify(std::numeric_limits<double>::quiet_NaN(), QPointF(10, 10));
    c.view->zoom().magnify(0.5, QPointF(std::numeric_limits<double>::infinity(), 0));
    EXPECT_EQ(c.settings.viewport().zoomFraction(), before);
    c.view->zoom().magnify(1e300, QPointF(10, 10));
    EXPECT_EQ(c.settings.viewport().zoomFraction(), 16);
    c.view->zoom().magnify(-1, QPointF(10, 10));
    EXPECT_EQ(c.settings.viewport().zoomFraction(), 0.05);
    c.view->zoom().zoomBy(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(c.settings.viewport().zoomFraction(), 0.05);
}

} // namespace
} // namespace quorvane
