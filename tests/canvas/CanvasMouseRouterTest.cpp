#include "canvas/CanvasMouseRouter.h"

#include "CanvasTesting.h"
#include "MouseTesting.h"
#include "canvas/AnnotationTextEditor.h"
#include "canvas/PrecisionToolInput.h"
#include "canvas/PrecisionTools.h"
#include "canvas/RulerOverlayView.h"
#include "canvas/SmartModes.h"
#include "core/Geometry.h"
#include "imaging/EraseCheck.h"
#include "platform/SystemClipboard.h"
#include "support/CountingBeeper.h"
#include "support/WindowMouse.h"

#include <QApplication>
#include <QGuiApplication>
#include <gtest/gtest.h>
#include <limits>

namespace quorvane {
namespace {

using Canvas = test::MouseCanvas; // at one view unit per pixel

TEST(CanvasMouseRouter, EveryDrawingToolMakesOneAnnotationInOneStepAndSelectsIt) {
    struct Case {
        const char* tool;
        AnnotationKind kind;
        AnnotationKind bracket = AnnotationKind::bracketOpen;
        bool curved = false;
    };
    using K = AnnotationKind;
    for (const Case& c :
         {Case{"Arrow", K::arrow}, Case{"Arrow", K::arrow, K::bracketOpen, true},
          Case{"Rectangle", K::rectangle}, Case{"Oval", K::oval}, Case{"Bracket", K::bracketOpen},
          Case{"Bracket", K::bracketClose, K::bracketClose}, Case{"Bracket", K::braceOpen, K::braceOpen},
          Case{"Bracket", K::braceClose, K::braceClose}, Case{"Freehand", K::freehand},
          Case{"Highlight", K::highlight}, Case{"Spotlight", K::spotlight}, Case{"Counter", K::counter},
          Case{"Magnifier", K::magnifier}, Case{"Redact", K::redact}, Case{"Blur", K::blur},
          Case{"Pixelate", K::pixelate}, Case{"Erase", K::erase}}) {
        SCOPED_TRACE(c.tool);
        Canvas canvas(1);
        canvas.settings.choose(QString::fromLatin1(c.tool));
        canvas.settings.style().setBracketKind(c.bracket);
        canvas.settings.style().setArrowCurved(c.curved);
        canvas.mouse.drag(canvas.mouse.at(20, 20), canvas.mouse.at(80, 60), 6);
        ASSERT_EQ(canvas.document->annotations().size(), 1u);
        const Annotation& made = canvas.document->annotations().front();
        EXPECT_EQ(made.kind, c.kind);
        EXPECT_EQ(made.bend.has_value(), c.curved);
        EXPECT_EQ(canvas.settings.modes().selectedID(), made.id);
        EXPECT_FALSE(canvas.view->gesture().proposed.has_value());
        EXPECT_EQ(canvas.document->undoManager().undoActionName(), QStringLiteral("Add Annotation"));
        EXPECT_EQ(test::undoSteps(*canvas.document), 1);
    }
}

TEST(CanvasMouseRouter, AClickGivesNothingButACounterCentredOnIt) {
    for (const char* tool : {"Arrow", "Rectangle", "Oval", "Bracket", "Freehand", "Highlight", "Spotlight",
                             "Magnifier", "Redact", "Blur", "Pixelate", "Erase", "Counter"}) {
        SCOPED_TRACE(tool);
        Canvas canvas(1);
        canvas.settings.choose(QString::fromLatin1(tool));
        canvas.mouse.click(canvas.mouse.at(50.5, 40));
        if (QLatin1String(tool) != QLatin1String("Counter")) {
            EXPECT_TRUE(canvas.document->annotations().empty());
            EXPECT_FALSE(canvas.document->undoManager().canUndo());
            continue;
        }
        ASSERT_EQ(canvas.document->annotations().size(), 1u);
        const Annotation& counter = canvas.document->annotations().front();
        EXPECT_EQ(counter.rect.center(), QPointF(50.5, 40));
        EXPECT_EQ(counter.number, 1);
        EXPECT_EQ(test::undoSteps(*canvas.document), 1);
    }
}

TEST(CanvasMouseRouter, ReleaseWithoutDragEventsCountsAsOneDragToTheReleasePoint) {
    Canvas canvas(1);
    canvas.settings.choose(QStringLiteral("Rectangle"));
    canvas.mouse.press(canvas.mouse.at(10, 10));
    canvas.mouse.release(canvas.mouse.at(70, 50));
    ASSERT_EQ(canvas.document->annotations().size(), 1u);
    EXPECT_EQ(canvas.document->annotations().front().rect, QRectF(10, 10, 60, 40));
}

TEST(CanvasMouseRouter, AltClickWithinThreeUnitsSelectsSmartlyFartherDrawsARectangle) {
    QImage box = test::filledImage(Qt::white, 200, 100); // a blue box smart selection can trace
    QPainter(&box).fillRect(QRect(60, 30, 40, 30), Qt::blue);
    Canvas canvas(1, box);
    SystemClipboard clipboard(*QGuiApplication::clipboard());
    SmartModes modes(canvas.settings, clipboard);
    canvas.view->setSmartModes(&modes);
    canvas.settings.choose(QStringLiteral("Rectangle"));
    const QPointF inside = canvas.mouse.at(70, 40);

    // Exactly 3.0 view units away is still a click.
    canvas.mouse.press(inside, Qt::AltModifier);
    canvas.mouse.move(inside + QPointF(3, 0), Qt::AltModifier);
    canvas.mouse.release(inside + QPointF(0, 3), Qt::AltModifier);
    EXPECT_TRUE(canvas.document->annotations().empty());
    ASSERT_TRUE(canvas.settings.modes().selection().has_value());
    EXPECT_EQ(*canvas.settings.modes().selection(), QRectF(60, 30, 40, 30));

    canvas.mouse.press(inside, Qt::AltModifier);
    canvas.mouse.release(inside + QPointF(3.01, 0), Qt::AltModifier);
    EXPECT_EQ(canvas.document->annotations().size(), 0u) << "too thin for a rectangle";
    canvas.mouse.drag(inside, inside + QPointF(20, 10), 3, Qt::AltModifier);
    ASSERT_EQ(canvas.document->annotations().size(), 1u);
    EXPECT_EQ(canvas.document->annotations().front().kind, AnnotationKind::rectangle);
    EXPECT_FALSE(canvas.settings.modes().selection().has_value());

    // Outside the image: the selection goes, silently.
    canvas.settings.modes().setSelection(QRectF(1, 1, 5, 5));
    canvas.settings.modes().setMessage(QString());
    const auto spoken = canvas.settings.lastAnnouncement();
    canvas.mouse.click(canvas.mouse.at(-20, 40), Qt::AltModifier);
    EXPECT_FALSE(canvas.settings.modes().selection().has_value());
    EXPECT_TRUE(canvas.settings.modes().message().isEmpty());
    EXPECT_EQ(canvas.settings.lastAnnouncement(), spoken);
    EXPECT_EQ(canvas.document->annotations().size(), 1u);
    canvas.view->setSmartModes(nullptr);
}

class WordReview : public test::FakeTextRedactionReview {
public:
    using FakeTextRedactionReview::FakeTextRedactionReview;
    std::optional<Toggle> toggle(const QPointF& p) override {
        at = p;
        included = !included;
        return Toggle{included, QStringLiteral("secret")};
    }
    std::optional<QPointF> at;
    bool included = false;
};

TEST(CanvasMouseRouter, APressDuringRedactTextReviewTogglesAWordAndNeverDrags) {
    Canvas canvas(1);
    canvas.settings.choose(QStringLiteral("Rectangle"));
    auto* review = new WordReview(canvas.document.get());
    canvas.settings.modes().setTextRedaction(review);
    canvas.mouse.drag(canvas.mouse.at(20, 20), canvas.mouse.at(80, 60));
    EXPECT_EQ(review->at, QPointF(20, 20));
    EXPECT_EQ(canvas.settings.lastAnnouncement(), QStringLiteral("Redact: secret"));
    EXPECT_TRUE(canvas.document->annotations().empty());
    canvas.mouse.click(canvas.mouse.at(20, 20));
    EXPECT_EQ(canvas.settings.lastAnnouncement(), QStringLiteral("Keep visible: secret"));
}

TEST(CanvasMouseRouter, CropAndRecognizeSelectionsMustStayInsideTheImage) {
    Canvas canvas(1);
    canvas.settings.choose(QStringLiteral("Color"));
    canvas.settings.toggleCrop();
    canvas.mouse.drag(canvas.mouse.at(10, 10), canvas.mouse.at(50, 30));
    ASSERT_TRUE(canvas.settings.modes().selection().has_value());
    EXPECT_EQ(*canvas.settings.modes().selection(), QRectF(10, 10, 40, 20));
    // Leaving the image says why there is no selection.
    canvas.mouse.press(canvas.mouse.at(10, 10));
    canvas.mouse.move(canvas.mouse.at(250, 30));
    EXPECT_FALSE(canvas.settings.modes().selection().has_value());
    EXPECT_EQ(canvas.settings.modes().message(),
              QStringLiteral("Selection must stay entirely inside the image."));
    canvas.mouse.release(canvas.mouse.at(50, 30));
    EXPECT_TRUE(canvas.settings.modes().message().isEmpty());

    // Recognize mode likewise hands on only a selection inside the image.
    canvas.settings.toggleCrop();
    std::vector<QSize> recognized;
    canvas.settings.recognizeHandler = [&](const QImage& image, const QString&) {
        recognized.push_back(image.size());
    };
    canvas.settings.startRecognizing();
    canvas.mouse.drag(canvas.mouse.at(10, 10), canvas.mouse.at(250, 30));
    EXPECT_TRUE(recognized.empty());
    EXPECT_TRUE(canvas.settings.modes().recognizing());
    canvas.mouse.drag(canvas.mouse.at(10, 10), canvas.mouse.at(50, 30));
    EXPECT_EQ(recognized, std::vector<QSize>{QSize(40, 20)});
    EXPECT_FALSE(canvas.settings.modes().recognizing());
}

TEST(CanvasMouseRouter, PanFollowsThePointerFromWhereThePressFoundIt) {
    Canvas canvas(1);
    canvas.settings.choose(QStringLiteral("Pan"));
    canvas.settings.viewport().setPan(QPointF(5, 5));
    canvas.mouse.press(canvas.mouse.at(50, 50));
    const QPointF from = canvas.mouse.at(50, 50);
    canvas.mouse.move(from + QPointF(10, -4));
    canvas.mouse.move(from + QPointF(30, -8));
    canvas.mouse.release(from + QPointF(30, -8));
    EXPECT_EQ(canvas.settings.viewport().pan(), QPointF(35, -3));
    EXPECT_TRUE(canvas.document->annotations().empty());
}

// Records what the Color and Ruler tools are asked, and measures like a ruler would.
class RecordingPrecisionTools : public PrecisionToolInput {
public:
    explicit RecordingPrecisionTools(EditorCanvasSettings& settings) : settings_(settings) {}
    std::optional<QRectF> colorArea(const QPointF& from, const QPointF& to) override {
        return QRectF(from, to).normalized();
    }
    void sampleColor(const QPointF& from, const QPointF& to, bool rgb) override {
        samples.push_back({from, to, rgb});
    }
    void clearRulers() override { ++clears; }
    void measure(const QPointF& anchor, const QPointF& to, bool constrain) override {
        settings_.modes().setMeasurementLabel(QString::number(to.x() - anchor.x()) + QStringLiteral(" px") +
                                              (constrain ? QStringLiteral(" snapped") : QString()));
    }
    struct Sample {
        QPointF from, to;
        bool rgb;
    };
    std::vector<Sample> samples;
    int clears = 0;

private:
    EditorCanvasSettings& settings_;
};

TEST(CanvasMouseRouter, ColorAndRulerStepsGoToThePrecisionTools) {
    Canvas canvas(1);
    auto owned = std::make_unique<RecordingPrecisionTools>(canvas.settings);
    RecordingPrecisionTools& tools = *owned;
    canvas.view->setPrecisionTools(std::move(owned));

    canvas.settings.choose(QStringLiteral("Color"));
    const QPointF from = canvas.mouse.at(10, 10), to = canvas.mouse.at(30, 20);
    canvas.mouse.press(from);
    canvas.mouse.move(to);
    EXPECT_EQ(canvas.settings.modes().selection(), QRectF(from, to));
    canvas.mouse.release(to, Qt::AltModifier);
    ASSERT_EQ(tools.samples.size(), 1u);
    EXPECT_EQ(tools.samples[0].from, from);
    EXPECT_EQ(tools.samples[0].to, to);
    EXPECT_TRUE(tools.samples[0].rgb);

    canvas.settings.choose(QStringLiteral("Ruler"));
    canvas.mouse.drag(canvas.mouse.at(10, 10), canvas.mouse.at(50, 10), 2, Qt::ShiftModifier);
    EXPECT_EQ(tools.clears, 1);
    EXPECT_EQ(canvas.settings.lastAnnouncement(), QStringLiteral("Measured 40 px snapped"));
    EXPECT_FALSE(canvas.view->gesture().rulerAnchor.has_value());
    EXPECT_TRUE(canvas.document->annotations().empty());
}

TEST(CanvasMouseRouter, AMovedEraseBoxIsCheckedAgainOnlyWhenItMoved) {
    QImage picture = test::filledImage(Qt::white, 200, 100);
    QPainter(&picture).drawImage(120, 0, test::noiseImage(80, 100));
    Canvas canvas(1, picture);
    canvas.settings.choose(QStringLiteral("Erase"));
    canvas.mouse.drag(canvas.mouse.at(20, 20), canvas.mouse.at(60, 50));
    ASSERT_EQ(canvas.document->annotations().size(), 1u);
    const Annotation erase = canvas.document->annotations().front();
    canvas.settings.choose(QStringLiteral("Select"));
    canvas.settings.modes().setSelectedID(erase.id);
    // A click in place records nothing; a move onto the noise is refused and said.
    canvas.mouse.click(canvas.mouse.at(40, 35));
    EXPECT_EQ(test::undoSteps(*canvas.document), 1);
    canvas.document->addAnnotation(erase);
    canvas.view->refresh();
    canvas.settings.modes().setSelectedID(erase.id);
    canvas.mouse.drag(canvas.mouse.at(40, 35), canvas.mouse.at(140, 35));
    EXPECT_EQ(canvas.document->annotations().front().rect, erase.rect);
    EXPECT_EQ(canvas.settings.modes().message(), EraseCheck::busyMessage);
    EXPECT_EQ(canvas.settings.lastAnnouncement(), EraseCheck::busyMessage);
}

TEST(CanvasMouseRouter, RefusedEraseBoxIsDroppedAndItsRefusalSpoken) {
    Canvas canvas(1, test::noiseImage(200, 100));
    canvas.settings.choose(QStringLiteral("Erase"));
    canvas.mouse.press(canvas.mouse.at(20, 20));
    canvas.mouse.move(canvas.mouse.at(60, 50));
    ASSERT_TRUE(canvas.view->gesture().proposed.has_value());
    EXPECT_EQ(canvas.view->gesture().proposed->kind, AnnotationKind::rectangle) << "the red outline";
    canvas.mouse.release(canvas.mouse.at(60, 50));
    EXPECT_TRUE(canvas.document->annotations().empty());
    EXPECT_FALSE(canvas.document->undoManager().canUndo());
    ASSERT_TRUE(canvas.settings.lastAnnouncement().has_value());
    EXPECT_EQ(*canvas.settings.lastAnnouncement(), canvas.settings.modes().message());
    EXPECT_FALSE(canvas.view->gesture().eraseRefusal.has_value());
}

TEST(CanvasMouseRouter, DragStepsInvalidateOnlyOldAndNewPreviewsWhileTheCanvasKeepsItsSize) {
    Canvas canvas(1);
    canvas.settings.choose(QStringLiteral("Rectangle"));
    std::vector<std::optional<QRectF>> marked;
    canvas.view->invalidated = [&](const std::optional<QRectF>& area) { marked.push_back(area); };
    canvas.mouse.press(canvas.mouse.at(20, 20));
    canvas.mouse.move(canvas.mouse.at(40, 30));
    // The first preview sets the canvas it is drawn on: the whole view.
    ASSERT_EQ(marked.size(), 1u);
    EXPECT_FALSE(marked[0].has_value());
    const Annotation first = *canvas.view->gesture().proposed;

    marked.clear();
    canvas.mouse.move(canvas.mouse.at(50, 40));
    ASSERT_EQ(marked.size(), 2u);
    EXPECT_EQ(marked[0], canvas.view->viewRect(first));
    EXPECT_EQ(marked[1], canvas.view->viewRect(*canvas.view->gesture().proposed));

    // Past the crop the canvas grows: the whole view, once; back inside it shrinks again.
    marked.clear();
    canvas.mouse.move(canvas.mouse.at(260, 40));
    canvas.mouse.move(canvas.mouse.at(60, 40));
    canvas.mouse.move(canvas.mouse.at(70, 40));
    ASSERT_EQ(marked.size(), 4u);
    EXPECT_FALSE(marked[0].has_value());
    EXPECT_FALSE(marked[1].has_value());
    EXPECT_TRUE(marked[2].has_value() && marked[3].has_value());
    canvas.view->invalidated = nullptr;
}

TEST(CanvasMouseRouter, EventsOutOfOrderAndBrokenPositionsChangeNothing) {
    Canvas canvas(1);
    canvas.settings.choose(QStringLiteral("Rectangle"));
    const auto nothing = [&] {
        EXPECT_TRUE(canvas.document->annotations().empty());
        EXPECT_FALSE(canvas.document->undoManager().canUndo());
        EXPECT_FALSE(canvas.view->gesture().proposed.has_value());
    };
    // A release and drags without a press.
    canvas.mouse.move(canvas.mouse.at(30, 30));
    canvas.mouse.release(canvas.mouse.at(60, 60));
    nothing();

    // NaN and huge positions.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    canvas.mouse.drag(QPointF(nan, nan), canvas.mouse.at(60, 60));
    nothing();
    canvas.mouse.press(canvas.mouse.at(20, 20));
    canvas.mouse.move(QPointF(1e300, 1e300));
    canvas.mouse.move(QPointF(nan, 5));
    canvas.mouse.release(QPointF(-1e300, 4));
    nothing();

    // The release went to someone else: the next move without the button drops the gesture.
    canvas.mouse.press(canvas.mouse.at(20, 20));
    canvas.mouse.move(canvas.mouse.at(60, 60));
    canvas.mouse.send(QEvent::MouseMove, canvas.mouse.at(70, 70), Qt::NoButton, Qt::NoButton, {});
    canvas.mouse.release(canvas.mouse.at(70, 70));
    nothing();

    // Right and middle buttons during a drag change nothing; the left release still commits.
    canvas.mouse.press(canvas.mouse.at(20, 20));
    canvas.mouse.move(canvas.mouse.at(50, 50));
    canvas.mouse.send(QEvent::MouseButtonPress, canvas.mouse.at(90, 90), Qt::RightButton,
                      Qt::LeftButton | Qt::RightButton, {});
    canvas.mouse.send(QEvent::MouseButtonRelease, canvas.mouse.at(90, 90), Qt::MiddleButton, Qt::LeftButton,
                      {});
    canvas.mouse.release(canvas.mouse.at(50, 50));
    ASSERT_EQ(canvas.document->annotations().size(), 1u);
    EXPECT_EQ(canvas.document->annotations().front().rect, QRectF(20, 20, 30, 30));
}

TEST(CanvasMouseRouter, UndoInTheMiddleOfADragAbandonsIt) {
    Canvas canvas(1);
    const Annotation box = canvas.add(test::annotation(AnnotationKind::rectangle, QRectF(10, 10, 40, 30)));
    canvas.document->updateAnnotation(box.translated(20, 0));
    canvas.view->refresh();
    canvas.settings.choose(QStringLiteral("Select"));
    canvas.mouse.press(canvas.mouse.at(30, 25));
    canvas.mouse.move(canvas.mouse.at(40, 35));
    // The move undone under the pointer: what the drag was built on is gone.
    canvas.document->undoManager().undo();
    canvas.mouse.move(canvas.mouse.at(50, 45));
    canvas.mouse.release(canvas.mouse.at(50, 45));
    ASSERT_EQ(canvas.document->annotations().size(), 1u);
    EXPECT_EQ(canvas.document->annotations().front().rect, box.rect);
    EXPECT_TRUE(canvas.document->undoManager().canRedo());
    EXPECT_FALSE(canvas.view->gesture().proposed.has_value());
    EXPECT_FALSE(canvas.view->gesture().dragAnchor.has_value());
}

TEST(CanvasMouseRouter, APressCommitsAnOpenTextEditFirst) {
    Canvas canvas(1);
    canvas.settings.choose(QStringLiteral("Text"));
    canvas.mouse.click(canvas.mouse.at(20, 20));
    ASSERT_TRUE(canvas.view->textEditor().isOpen());
    canvas.view->textEditor().textView()->setPlainText(QStringLiteral("Hello"));
    canvas.mouse.click(canvas.mouse.at(100, 60));
    ASSERT_EQ(canvas.document->annotations().size(), 1u);
    EXPECT_EQ(canvas.document->annotations().front().text, QStringLiteral("Hello"));
    EXPECT_EQ(canvas.document->annotations().front().rect.topLeft(), QPointF(20, 20));
    EXPECT_TRUE(canvas.view->textEditor().isOpen());
}

// At two device pixels a point and 100 % (one image pixel a device pixel), the window hands
// positions in half points: every tool works at the pixel under the pointer, odd ones included.
TEST(CanvasMouseRouter, ToolsReachEveryDevicePixelAtTwoPixelsAPoint) {
    QImage columns(400, 200, QImage::Format_RGBA8888);
    for (int y = 0; y < columns.height(); ++y)
        for (int x = 0; x < columns.width(); ++x)
            columns.setPixelColor(x, y, QColor(x % 256, y, 0));
    Canvas canvas(0.5, columns);
    SystemClipboard clipboard{*QGuiApplication::clipboard()};
    test::CountingBeeper beeper;
    canvas.view->setPrecisionTools(std::make_unique<PrecisionTools>(*canvas.view, clipboard, beeper));
    QApplication::setActiveWindow(canvas.view.get());
    const auto at = [&](double x, double y) { return canvas.mouse.at(x, y); };

    canvas.settings.choose(QStringLiteral("Rectangle"));
    test::dragThroughWindow(*canvas.view, at(201, 101), at(101, 41));
    ASSERT_EQ(canvas.document->annotations().size(), 1u);
    const QRectF drawn = canvas.document->annotations().front().rect;
    EXPECT_TRUE(geom::exactlyEqual(drawn, QRectF(101, 41, 100, 60)))
        << drawn.x() << ", " << drawn.y() << " " << drawn.width() << " × " << drawn.height();

    canvas.settings.choose(QStringLiteral("Color"));
    canvas.view->refresh();
    test::hoverThroughWindow(*canvas.view, at(251.5, 21.5)); // clear of the rectangle
    ASSERT_TRUE(canvas.settings.modes().hoverColor());
    EXPECT_EQ(canvas.settings.modes().hoverColor()->red, 251);
    EXPECT_EQ(canvas.settings.modes().hoverColor()->green, 21);

    canvas.settings.choose(QStringLiteral("Ruler"));
    canvas.view->refresh();
    test::dragThroughWindow(*canvas.view, at(101, 41), at(302, 41));
    ASSERT_TRUE(canvas.view->rulerManual().measurement);
    EXPECT_EQ(*canvas.view->rulerManual().measurement,
              Measurement::between(QPointF(101, 41), QPointF(302, 41), false));
}

} // namespace
} // namespace quorvane
