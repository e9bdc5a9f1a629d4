#include "panels/ThumbnailController.h"

#include "capture/CaptureControllerRig.h"
#include "export/DragExporter.h"
#include "panels/PanelTesting.h"
#include "panels/ThumbnailButton.h"
#include "panels/ThumbnailContentView.h"
#include "panels/ThumbnailEditButton.h"
#include "panels/ThumbnailPanel.h"
#include "panels/ThumbnailView.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

#include <QAccessible>
#include <QDrag>
#include <QGuiApplication>
#include <QMimeData>
#include <QScreen>

namespace quorvane {
namespace {

using Action = ThumbnailAction;

struct ThumbnailRig : test::PanelServices {
    ThumbnailController controller{icons, bell, accessibility, test::thumbnailActions()};
    bool copyStarts = true;
    bool exportsAllowed = true;
    std::vector<std::optional<Action>> asked;
    int copies = 0, saves = 0, edits = 0, pins = 0, dismissals = 0;

    ThumbnailRig() {
        accessibility.setReduceMotion(true);
        controller.sleep = clock.sleep();
        controller.actions.copy = [this] {
            ++copies;
            return copyStarts;
        };
        controller.actions.mayExport = [this](std::optional<Action> action) {
            asked.push_back(action);
            return exportsAllowed;
        };
        QObject::connect(&controller, &ThumbnailController::saveRequested, [this] { ++saves; });
        QObject::connect(&controller, &ThumbnailController::editRequested, [this] { ++edits; });
        QObject::connect(&controller, &ThumbnailController::pinRequested, [this] { ++pins; });
        QObject::connect(&controller, &ThumbnailController::dismissed, [this] { ++dismissals; });
    }
    void show(QSize size = {2880, 1800}) {
        controller.show(test::gradientImage(size.width(), size.height()), nullptr);
    }
    ThumbnailView& view() { return *controller.panel()->content()->view(); }
};

TEST(ThumbnailController, SizesThePanelAndPlacesItBottomRight) {
    struct Case {
        QSize pixels, panel;
    };
    for (const Case& each :
         {Case{{2880, 1800}, {292, 187}}, Case{{1, 1}, {192, 192}}, Case{{100, 2000}, {132, 192}},
          Case{{0, 5}, {132, 84}}, Case{{3024, 1964}, {289, 192}}})
        EXPECT_EQ(ThumbnailController::panelSize(each.pixels), each.panel) << each.pixels.width();
    // 16 points in from the area's right and bottom edges (x + width, not QRect::right()).
    EXPECT_EQ(ThumbnailController::panelFrame({292, 187}, QRect(100, 50, 1440, 875)),
              QRect(1232, 722, 292, 187));

    ThumbnailRig rig;
    rig.show();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(rig.controller.panel()->geometry(), ThumbnailController::panelFrame({292, 187}, area));
    EXPECT_TRUE(rig.controller.panel()->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(rig.controller.panel()->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_EQ(rig.controller.panel()->windowTitle(), QStringLiteral("Screenshot Preview"));
}

TEST(ThumbnailController, SlidesInOnceAndReplacesInPlace) {
    ThumbnailRig rig;
    rig.accessibility.setReduceMotion(false);
    rig.show();
    ThumbnailPanel* panel = rig.controller.panel();
    const QRect target =
        ThumbnailController::panelFrame({292, 187}, QGuiApplication::primaryScreen()->availableGeometry());
    // The first show starts 40 points to the right, transparent.
    EXPECT_LT(panel->windowOpacity(), 0.5);
    EXPECT_GT(panel->x(), target.x());
    ASSERT_TRUE(
        test::waitUntil([&] { return panel->windowOpacity() == 1.0 && panel->pos() == target.topLeft(); }));
    // A second show replaces image and size at once and restarts the countdown.
    const int generation = rig.controller.generation();
    rig.show({100, 2000});
    EXPECT_EQ(
        std::tuple(panel->windowOpacity(), panel->size(), rig.controller.generation(), rig.clock.pending()),
        std::tuple(1.0, QSize(132, 192), generation + 1, std::size_t(1)));

    // With Reduce Motion the first show is in place at once.
    ThumbnailRig still;
    still.show();
    EXPECT_EQ(std::pair(still.controller.panel()->windowOpacity(), still.controller.panel()->pos()),
              std::pair(1.0, target.topLeft()));
}

TEST(ThumbnailController, CountsDownUnlessHoveredOrTurnedOff) {
    ThumbnailRig rig;
    rig.show();
    EXPECT_EQ(rig.clock.pendingMilliseconds(), 8000);
    // Hovering stops the countdown however long it lasts; leaving starts a full new one.
    rig.controller.setHovering(true);
    EXPECT_EQ(rig.clock.pending(), 0u);
    EXPECT_TRUE(rig.view().overlay() == ThumbnailView::Overlay::controls);
    rig.controller.setHovering(false);
    EXPECT_EQ(rig.clock.pendingMilliseconds(), 8000);
    ASSERT_TRUE(rig.clock.fire());
    EXPECT_EQ(std::tuple(rig.controller.isShown(), rig.controller.panel()->isVisible(), rig.dismissals),
              std::tuple(false, false, 1));
    // Dismissing again with nothing shown calls nothing and keeps the generation.
    const int generation = rig.controller.generation();
    rig.controller.dismiss();
    EXPECT_EQ(std::pair(rig.dismissals, rig.controller.generation()), std::pair(1, generation));

    ThumbnailRig kept;
    kept.controller.autoDismissSeconds = 0;
    kept.show();
    EXPECT_EQ(kept.clock.pending(), 0u);
    EXPECT_TRUE(kept.controller.isShown());
}

TEST(ThumbnailController, CopyShowsCopiedAndClosesLaterIgnoringTheOtherActions) {
    ThumbnailRig rig;
    rig.show({3024, 1964});
    EXPECT_EQ(std::pair(rig.view().badgeText(), rig.view().sizeDescription()),
              std::pair(QStringLiteral("3024 × 1964"), QStringLiteral("3024 by 1964 pixels")));
    EXPECT_EQ(rig.view().overlay(), ThumbnailView::Overlay::badge);
    rig.controller.perform(Action::copy);
    EXPECT_EQ(std::tuple(rig.copies, rig.view().overlay(), rig.clock.pendingMilliseconds()),
              std::tuple(1, ThumbnailView::Overlay::copied, 800));
    // Hovering leaves the feedback alone; save, edit and pin are ignored meanwhile.
    rig.controller.setHovering(true);
    for (Action action : {Action::save, Action::edit, Action::pin, Action::copy})
        rig.controller.perform(action);
    EXPECT_EQ(std::tuple(rig.copies, rig.saves, rig.edits, rig.pins, rig.clock.pendingMilliseconds()),
              std::tuple(1, 0, 0, 0, 800));
    EXPECT_EQ(rig.view().overlay(), ThumbnailView::Overlay::copied);
    ASSERT_TRUE(rig.clock.fire());
    EXPECT_FALSE(rig.controller.isShown());

    // Close closes at once, even while "Copied" shows.
    rig.show();
    rig.controller.perform(Action::copy);
    rig.controller.perform(Action::close);
    EXPECT_EQ(std::pair(rig.controller.isShown(), rig.clock.pending()), std::pair(false, std::size_t(0)));
}

TEST(ThumbnailController, RefusalsAndFailedCopiesBeepAndKeepTheCard) {
    ThumbnailRig rig;
    rig.show();
    // A copy that failed at once is no "Copied": a beep, and the countdown goes on.
    rig.copyStarts = false;
    rig.controller.perform(Action::copy);
    EXPECT_EQ(std::tuple(rig.bell.beeps, rig.controller.model().copied(), rig.controller.isShown(),
                         rig.clock.pendingMilliseconds()),
              std::tuple(1, false, true, 8000));
    // A copy the shell turned down by dismissing the card has beeped there already.
    rig.controller.actions.copy = [&rig] {
        rig.controller.dismiss();
        return false;
    };
    rig.controller.perform(Action::copy);
    EXPECT_EQ(std::pair(rig.bell.beeps, rig.controller.isShown()), std::pair(1, false));

    // Refused exports beep; edit is never asked and always opens the editor.
    rig.show();
    rig.exportsAllowed = false;
    rig.asked.clear();
    for (Action action : {Action::copy, Action::save, Action::pin})
        rig.controller.perform(action);
    EXPECT_EQ(std::tuple(rig.bell.beeps, rig.saves, rig.pins, rig.controller.isShown()),
              std::tuple(4, 0, 0, true));
    rig.controller.perform(Action::edit);
    EXPECT_EQ(std::tuple(rig.edits, rig.controller.isShown(), rig.asked.size()),
              std::tuple(1, false, std::size_t(3)));
    // Save and pin report and close.
    rig.exportsAllowed = true;
    for (Action action : {Action::save, Action::pin}) {
        rig.show();
        rig.controller.perform(action);
        EXPECT_FALSE(rig.controller.isShown());
    }
    EXPECT_EQ(std::pair(rig.saves, rig.pins), std::pair(1, 1));
}

TEST(ThumbnailController, ADragDeliversAFileAndDismissesOnlyTheSameThumbnail) {
    ThumbnailRig rig;
    test::TempDir folder;
    DragExporter exporter(QString::fromStdString(folder.path().string()));
    std::vector<QString> files;
    std::function<Qt::DropAction()> during = [] { return Qt::CopyAction; };
    rig.controller.dragRunner = [&](QDrag& drag) {
        files.push_back(drag.mimeData()->urls().value(0).toLocalFile());
        EXPECT_EQ(std::pair(rig.controller.isDragging(), rig.clock.pending()),
                  std::pair(true, std::size_t(0)));
        return during();
    };
    rig.show();
    // Without an exporter no drag starts: a beep.
    ThumbnailPanel* panel = rig.controller.panel();
    QWidget* card = panel->content()->view()->editButton();
    test::sendMouse(card, QEvent::MouseButtonPress, {50, 50});
    EXPECT_FALSE(panel->holdsPress());
    rig.controller.dragExporter = &exporter;

    // A press held back, then a move of 4 points: a drag of a real PNG file; the drop dismisses.
    test::sendMouse(card, QEvent::MouseButtonPress, {50, 50});
    EXPECT_TRUE(panel->holdsPress());
    test::sendMouse(card, QEvent::MouseMove, {52, 50}, Qt::NoButton);
    EXPECT_TRUE(files.empty());
    test::sendMouse(card, QEvent::MouseMove, {54, 50}, Qt::NoButton);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(QImage(files[0]).size(), QSize(2880, 1800));
    EXPECT_EQ(std::tuple(rig.controller.isShown(), rig.asked.back(), rig.edits),
              std::tuple(false, std::optional<Action>(), 0));

    // A drop after a newer show leaves the new thumbnail; a cancelled drag restarts the countdown.
    rig.show();
    during = [&rig] {
        rig.show({400, 300});
        return Qt::CopyAction;
    };
    rig.controller.beginDrag({10, 10}, card);
    EXPECT_EQ(
        std::tuple(rig.controller.isShown(), rig.controller.image().size(), rig.clock.pendingMilliseconds()),
        std::tuple(true, QSize(400, 300), 8000));
    during = [] { return Qt::IgnoreAction; };
    rig.controller.beginDrag({10, 10}, card);
    EXPECT_EQ(std::pair(rig.controller.isShown(), rig.clock.pendingMilliseconds()), std::pair(true, 8000));
    // An export check that refuses the drag beeps and keeps the card.
    rig.exportsAllowed = false;
    const int beeps = rig.bell.beeps;
    rig.controller.beginDrag({10, 10}, card);
    EXPECT_EQ(std::tuple(files.size(), rig.bell.beeps, rig.controller.isShown()),
              std::tuple(std::size_t(3), beeps + 1, true));
}

TEST(ThumbnailController, AClickWithoutMovementReachesTheCardsButtons) {
    ThumbnailRig rig;
    test::TempDir folder;
    DragExporter exporter(QString::fromStdString(folder.path().string()));
    rig.controller.dragExporter = &exporter;
    rig.controller.dragRunner = [](QDrag&) {
        ADD_FAILURE() << "no drag expected";
        return Qt::IgnoreAction;
    };
    rig.show();
    rig.controller.setHovering(true);
    ThumbnailView& view = rig.view();
    ThumbnailButton* copy = view.button(Action::copy);
    ASSERT_TRUE(copy->isVisible());
    EXPECT_EQ(std::pair(copy->accessibleName(), copy->toolTip()),
              std::pair(QStringLiteral("Copy"), QStringLiteral("Copy image")));
    // A movement below 4 points before the release is still a click.
    test::sendMouse(copy, QEvent::MouseButtonPress, {5, 5});
    test::sendMouse(copy, QEvent::MouseMove, {7, 6}, Qt::NoButton);
    test::sendMouse(copy, QEvent::MouseButtonRelease, {7, 6}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(rig.copies, 1);
    // "Copied" hides the buttons; a click on the card is an edit, which is ignored while it shows.
    EXPECT_FALSE(copy->isVisible());
    test::sendMouse(view.editButton(), QEvent::MouseButtonPress, {40, 40});
    test::sendMouse(view.editButton(), QEvent::MouseButtonRelease, {40, 40}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(rig.edits, 0);
    ASSERT_TRUE(rig.clock.fire());

    // The card's named accessibility actions, and a click on it opens the editor.
    rig.show();
    QAccessibleInterface* card = QAccessible::queryAccessibleInterface(view.editButton());
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(std::pair(card->text(QAccessible::Name), card->text(QAccessible::Value)),
              std::pair(QStringLiteral("Edit Screenshot"), QStringLiteral("2880 by 1800 pixels")));
    EXPECT_TRUE(card->actionInterface()->actionNames().contains(QStringLiteral("Pin")));
    card->actionInterface()->doAction(QStringLiteral("Pin"));
    EXPECT_EQ(std::pair(rig.pins, rig.controller.isShown()), std::pair(1, false));
    rig.show();
    test::sendMouse(view.editButton(), QEvent::MouseButtonPress, {40, 40});
    test::sendMouse(view.editButton(), QEvent::MouseButtonRelease, {40, 40}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(std::pair(rig.edits, rig.controller.isShown()), std::pair(1, false));
}

} // namespace
} // namespace quorvane
