#include "canvas/CanvasArrangeCommands.h"

#include "CanvasViewTesting.h"
#include "canvas/AnnotationTextEditor.h"
#include "canvas/CanvasEditCommands.h"
#include "core/Geometry.h"
#include "imaging/EraseCheck.h"
#include "support/CountingBeeper.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::ShownCanvas;
using Action = CanvasEditCommands::Action;

struct ArrangeCanvas : ShownCanvas {
    test::CountingBeeper beeper;
    ArrangeCanvas(QSize viewSize = {300, 200})
        : ShownCanvas(test::filledImage(Qt::white, 300, 200), viewSize) {
        view->editCommands().setServices(nullptr, &beeper);
    }
    CanvasArrangeCommands arrange() { return CanvasArrangeCommands(*view); }
    std::vector<QUuid> order() const {
        std::vector<QUuid> ids;
        for (const Annotation& a : document->annotations())
            ids.push_back(a.id);
        return ids;
    }
};

TEST(CanvasArrangeCommands, VisibleCanvasRectIsTheShownPartInBaseCoordinates) {
    {
        ArrangeCanvas canvas;
        ASSERT_TRUE(canvas.document->crop(QRectF(100, 50, 200, 150)));
        canvas.showActualSize();
        // The whole 200 × 150 canvas fits inside the 300 × 200 view.
        EXPECT_TRUE(geom::exactlyEqual(canvas.arrange().visibleCanvasRect(), QRectF(100, 50, 200, 150)));
        // Zoomed in twice, centred: the middle 150 × 100 pixels.
        canvas.settings.viewport().setZoomFraction(2 * canvas.view->backingScale());
        EXPECT_TRUE(geom::exactlyEqual(canvas.arrange().visibleCanvasRect(), QRectF(125, 75, 150, 100)));
        // Panned right by 100 points: 50 more pixels of the left edge show.
        canvas.settings.viewport().setPan(QPointF(100, 0));
        EXPECT_TRUE(geom::exactlyEqual(canvas.arrange().visibleCanvasRect(), QRectF(100, 75, 125, 100)));
        // Panned wholly off: the crop.
        canvas.settings.viewport().setPan(QPointF(5000, 0));
        EXPECT_TRUE(geom::exactlyEqual(canvas.arrange().visibleCanvasRect(), QRectF(100, 50, 200, 150)));
    }
    ArrangeCanvas narrow({0, 200});
    narrow.showActualSize();
    EXPECT_TRUE(geom::exactlyEqual(narrow.arrange().visibleCanvasRect(), QRectF(0, 0, 300, 200)));
}

TEST(CanvasArrangeCommands, FrontAndBackMoveTheSelectionOrBeep) {
    ArrangeCanvas canvas;
    const Annotation a = canvas.add(test::annotation(AnnotationKind::rectangle, QRectF(10, 10, 20, 20)));
    const Annotation b = canvas.add(test::annotation(AnnotationKind::rectangle, QRectF(40, 10, 20, 20)));
    const Annotation c = canvas.add(test::annotation(AnnotationKind::rectangle, QRectF(70, 10, 20, 20)));

    canvas.view->editCommands().perform(Action::bringToFront);
    canvas.arrange().alignSelection(QStringLiteral("left"));
    EXPECT_EQ(canvas.beeper.beeps, 2);

    canvas.settings.modes().setSelectedID(a.id);
    const qint64 revision = canvas.document->revision();
    canvas.view->editCommands().perform(Action::bringToFront);
    EXPECT_EQ(canvas.order(), (std::vector{b.id, c.id, a.id}));
    EXPECT_EQ(canvas.document->revision(), revision + 1);
    canvas.view->editCommands().perform(Action::sendToBack);
    EXPECT_EQ(canvas.order(), (std::vector{a.id, b.id, c.id}));

    // Not an alignment: nothing at all, not even a beep.
    canvas.arrange().alignSelection(QStringLiteral("Left"));
    EXPECT_EQ(canvas.document->revision(), revision + 2);
    canvas.arrange().alignSelection(QStringLiteral("bottom"));
    EXPECT_TRUE(geom::exactlyEqual(canvas.document->annotations().front().rect, QRectF(10, 180, 20, 20)));
    EXPECT_EQ(canvas.beeper.beeps, 2);
}

TEST(CanvasArrangeCommands, AnOpenTextEditorKeepsTheStackAsItIs) {
    ArrangeCanvas canvas;
    canvas.showActualSize();
    const Annotation a = canvas.add(test::annotation(AnnotationKind::rectangle, QRectF(10, 10, 20, 20)));
    canvas.add(test::annotation(AnnotationKind::rectangle, QRectF(40, 10, 20, 20)));
    canvas.settings.modes().setSelectedID(a.id);
    Annotation text = test::annotation(AnnotationKind::text, QRectF(100, 100, 80, 40), Qt::black);
    canvas.view->beginTextEditing(text);
    ASSERT_TRUE(canvas.view->textEditor().isOpen());
    const qint64 revision = canvas.document->revision();
    canvas.view->editCommands().perform(Action::bringToFront);
    canvas.arrange().alignSelection(QStringLiteral("right"));
    EXPECT_EQ(canvas.document->revision(), revision);
    EXPECT_EQ(canvas.beeper.beeps, 0);
}

TEST(CanvasArrangeCommands, AnAlignmentRefusalIsShownAndAnnounced) {
    ArrangeCanvas canvas;
    const Annotation erase =
        canvas.add(test::annotation(AnnotationKind::erase, QRectF(0, 95, 10, 10), Qt::white));
    Annotation arrow = test::annotation(AnnotationKind::arrow, QRectF());
    arrow.start = QPointF(2, 100);
    arrow.end = QPointF(298, 100);
    canvas.add(arrow);
    canvas.settings.modes().setSelectedID(erase.id);
    canvas.arrange().alignSelection(QStringLiteral("center"));
    EXPECT_EQ(canvas.settings.modes().message(), EraseCheck::busyMessage);
    EXPECT_EQ(canvas.settings.lastAnnouncement(), EraseCheck::busyMessage);
}

TEST(CanvasArrangeCommands, AnAddedOverlayIsSelectedWithTheSelectTool) {
    ArrangeCanvas canvas;
    canvas.settings.choose(QStringLiteral("Arrow"));
    auto added = canvas.document->addOverlay(test::twoToneImage(40, 20), std::nullopt,
                                             canvas.arrange().visibleCanvasRect());
    ASSERT_TRUE(added.ok());
    canvas.arrange().selectAddedOverlay(added->id);
    EXPECT_EQ(canvas.settings.style().tool(), "Select");
    EXPECT_EQ(canvas.settings.modes().selectedID(), added->id);
    EXPECT_EQ(canvas.settings.lastAnnouncement(), "Image added");

    // An id that is gone leaves nothing selected.
    canvas.arrange().selectAddedOverlay(QUuid::createUuid());
    EXPECT_FALSE(canvas.settings.modes().selectedID());
}

} // namespace
} // namespace quorvane
