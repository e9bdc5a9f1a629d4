#include "panels/PinPanel.h"

#include "capture/CaptureControllerRig.h"
#include "panels/PanelTesting.h"
#include "panels/PinCloseButton.h"
#include "panels/PinController.h"
#include "panels/PinView.h"
#include "platform/SystemClipboard.h"
#include "support/RefusingClipboard.h"
#include "support/WaitUntil.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QNativeGestureEvent>
#include <QPointingDevice>

namespace quorvane {
namespace {

const PinScreen retina{QRectF(0, 0, 1440, 900), QRectF(0, 25, 1440, 875), 2};
const PinScreen plain{QRectF(1440, 0, 1920, 1080), QRectF(1440, 0, 1920, 1080), 1};

struct PinRig : test::PanelServices {
    test::RefusingClipboard refusing;
    std::unique_ptr<Clipboard> system = std::make_unique<SystemClipboard>(*QGuiApplication::clipboard());
    PinController controller{*system, bell, icons, accessibility};
    std::vector<QImage> edited;

    PinRig() {
        controller.screenOverride = PinController::Screens{{retina, plain}, plain};
        QObject::connect(&controller, &PinController::editRequested,
                         [this](const QImage& image) { edited.push_back(image); });
    }
    ~PinRig() {
        controller.closeAll();
        // Closed pins go on the next turn; their timers belong to this rig's clock.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    PinPanel* pin(QSize size, std::optional<QRectF> near = std::nullopt) {
        PinPanel* panel = controller.pin(test::gradientImage(size.width(), size.height()), near);
        if (panel != nullptr) panel->view()->sleep = clock.sleep();
        return panel;
    }
};

TEST(PinController, OpensFittedAndCascadesWithoutAPlace) {
    PinRig rig;
    PinPanel* big = rig.pin({2880, 1800}, QRectF(100, 100, 1440, 900));
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->frame().size(), QSizeF(840, 525));
    EXPECT_NEAR(big->zoom(), 0.58333, 1e-5);
    EXPECT_EQ(big->fitZoom(), big->zoom());
    EXPECT_EQ(big->accessibilityDescription(),
              QStringLiteral("Pinned screenshot, 2880 by 1800 pixels, zoom 58 percent"));
    EXPECT_EQ(big->view()->accessibleName(), big->accessibilityDescription());
    // Centred on the place, inside the free area.
    EXPECT_EQ(big->frame().topLeft(), QPointF(820 - 420, 550 - 262.5));
    rig.controller.closeAll();

    // Without a place: the main screen's centre, then 24 points right and down each time; the
    // ninth starts over.
    for (int k = 0; k < 9; ++k) {
        PinPanel* panel = rig.pin({400, 300});
        ASSERT_NE(panel, nullptr);
        const double d = 24 * (k % 8);
        EXPECT_EQ(panel->frame(), QRectF(1440 + 960 - 200 + d, 540 - 150 + d, 400, 300)) << k;
        EXPECT_EQ(panel->zoom(), 1.0);
    }
    EXPECT_EQ(rig.controller.panels().size(), 9u);
    // Closing all pins and pinning again starts at the centre.
    rig.controller.closeAll();
    EXPECT_TRUE(rig.controller.panels().empty());
    EXPECT_EQ(rig.pin({400, 300})->frame().topLeft(), QPointF(2200, 390));
    // No screen, or an image without area: no pin.
    rig.controller.screenOverride = PinController::Screens{};
    EXPECT_EQ(rig.pin({400, 300}), nullptr);
}

TEST(PinPanel, ZoomsAboutThePointerAndFadesWithAltNeverBelowTwentyPercent) {
    PinRig rig;
    PinPanel* panel = rig.pin({400, 300});
    const QRectF start = panel->frame();
    // One notch zooms by e^0.1 about the pointer; the image point under it stays.
    const QPointF corner = start.topLeft() + QPointF(10, 10);
    panel->setZoom(panel->zoom() * std::exp(0.1), corner);
    EXPECT_NEAR(panel->zoom(), std::exp(0.1), 1e-12);
    EXPECT_NEAR(panel->frame().x() + 10.0 / 400 * panel->frame().width(), corner.x(), 1e-9);
    EXPECT_NEAR(panel->frame().y() + 10.0 / 300 * panel->frame().height(), corner.y(), 1e-9);
    EXPECT_EQ(panel->view()->badge()->text(), QStringLiteral("111%"));
    // The wheel: a notch down, a pixel delta, nothing for no vertical motion.
    test::sendWheel(panel->view(), {200, 150}, {0, -120});
    EXPECT_NEAR(panel->zoom(), 1.0, 1e-12);
    test::sendWheel(panel->view(), {200, 150}, {0, 0}, {0, 10});
    EXPECT_NEAR(panel->zoom(), std::exp(0.1), 1e-12);
    test::sendWheel(panel->view(), {200, 150}, {0, 0});
    EXPECT_NEAR(panel->zoom(), std::exp(0.1), 1e-12);
    // Alt: the wheel arrives sideways; 5 points a notch, never below 20 %.
    test::sendWheel(panel->view(), {200, 150}, {-120, 0}, {}, Qt::AltModifier);
    EXPECT_NEAR(panel->opacity(), 0.95, 1e-3);
    EXPECT_EQ(panel->view()->badge()->text(), QStringLiteral("Opacity 95%"));
    for (int i = 0; i < 30; ++i)
        test::sendWheel(panel->view(), {200, 150}, {0, -120}, {}, Qt::AltModifier);
    EXPECT_NEAR(panel->opacity(), 0.2, 1e-3);
    // A pinch zooms too.
    const double before = panel->zoom();
    QNativeGestureEvent pinch(Qt::ZoomNativeGesture, QPointingDevice::primaryPointingDevice(), 1, {200, 150},
                              {200, 150}, panel->view()->mapToGlobal(QPointF(200, 150)), 0.5, {}, 0);
    QCoreApplication::sendEvent(panel->view(), &pinch);
    EXPECT_NEAR(panel->zoom(), before * 1.5, 1e-9);
    // Limits: 0.1…4, not finite is 1.
    for (const auto& [asked, kept] :
         {std::pair(100.0, 4.0), std::pair(0.001, 0.1), std::pair(double(NAN), 1.0)}) {
        panel->setZoom(asked);
        EXPECT_EQ(panel->zoom(), kept);
    }
    panel->setOpacity(INFINITY);
    EXPECT_EQ(panel->opacity(), 1.0);
    // The read-out fades after a second.
    EXPECT_TRUE(rig.clock.fire());
}

TEST(PinPanel, AnImageTooLargeToFitCannotReturnToItsOpeningZoom) {
    PinRig rig;
    rig.controller.screenOverride = PinController::Screens{{plain}, plain};
    PinPanel* panel = rig.pin({20000, 100});
    ASSERT_NE(panel, nullptr);
    EXPECT_NEAR(panel->zoom(), 0.0576, 1e-4);
    panel->zoomTo(0); // Fit
    EXPECT_EQ(panel->zoom(), 0.1);
}

TEST(PinPanel, TheMenuKeysAndClicks) {
    PinRig rig;
    PinPanel* panel = rig.pin({400, 300});
    std::unique_ptr<QMenu> menu(panel->contextMenu());
    QStringList entries;
    for (QAction* action : menu->actions())
        entries << (action->isSeparator() ? QStringLiteral("—") : action->text());
    EXPECT_EQ(entries, (QStringList{"Copy Image", "Zoom", "Opacity", "—", "Edit in Quorvane", "—",
                                    "Close Pin", "Close All Pins"}));
    // The opacity check mark only at exactly 100, 75, 50 or 25 percent.
    const auto checked = [&] {
        std::unique_ptr<QMenu> fresh(panel->contextMenu());
        QStringList marks;
        for (QAction* action : fresh->actions().at(2)->menu()->actions())
            if (action->isChecked()) marks << action->text();
        return marks;
    };
    EXPECT_EQ(checked(), QStringList{"100%"});
    panel->opacityTo(75);
    EXPECT_EQ(checked(), QStringList{"75%"});
    panel->setOpacity(0.6);
    EXPECT_EQ(checked(), QStringList{});
    // Zoom entries; Fit and 100% agree for a pin that opened at 100 %.
    panel->zoomTo(200);
    EXPECT_EQ(panel->frame().size(), QSizeF(800, 600));
    panel->zoomTo(0);
    EXPECT_EQ(panel->zoom(), 1.0);

    // Copy puts the PNG on the clipboard; a refusing clipboard beeps.
    panel->copyImage();
    EXPECT_EQ(QImage::fromData(rig.system->read()->data("image/png")).size(), QSize(400, 300));
    PinController refusing(rig.refusing, rig.bell, rig.icons, rig.accessibility);
    refusing.screenOverride = rig.controller.screenOverride;
    refusing.pin(test::gradientImage(10, 10), std::nullopt)->copyImage();
    EXPECT_EQ(rig.bell.beeps, 1);

    // The Menu key opens the menu over the pin; a right click's menu event opens no second one.
    QContextMenuEvent byMouse(QContextMenuEvent::Mouse, {20, 20}, panel->mapToGlobal(QPoint(20, 20)));
    QApplication::sendEvent(panel->view(), &byMouse);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    QContextMenuEvent byKey(QContextMenuEvent::Keyboard, {}, panel->mapToGlobal(QPoint()));
    QApplication::sendEvent(panel->view(), &byKey);
    auto* opened = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->actions().value(0)->text(), QStringLiteral("Copy Image"));
    opened->close();

    // A double click edits and keeps the pin.
    test::sendMouse(panel->view(), QEvent::MouseButtonDblClick, {20, 20});
    EXPECT_EQ(std::pair(rig.edited.size(), rig.controller.panels().size()),
              std::pair(std::size_t(1), std::size_t(1)));
    // Ctrl+Shift+W and Ctrl+Alt+W are other commands; Ctrl+W and Escape close.
    test::sendKey(panel, Qt::Key_W, Qt::ControlModifier | Qt::ShiftModifier);
    test::sendKey(panel, Qt::Key_W, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(rig.controller.panels().size(), 1u);
    test::sendKey(panel, Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(rig.controller.panels().empty());
    EXPECT_TRUE(panel->image().isNull());
    PinPanel* second = rig.pin({400, 300});
    test::sendKey(second, Qt::Key_Escape);
    EXPECT_TRUE(rig.controller.panels().empty());

    // The close button shows while the pointer is over the pin and closes it.
    PinPanel* third = rig.pin({400, 300});
    rig.accessibility.setReduceMotion(true);
    third->view()->setCloseButtonVisible(true);
    EXPECT_EQ(std::pair(third->view()->closeButton()->isVisible(), third->view()->closeButton()->alpha()),
              std::pair(true, 1.0));
    EXPECT_EQ(third->view()->closeButton()->accessibleName(), QStringLiteral("Close pin"));
    third->view()->closeButton()->click();
    EXPECT_TRUE(rig.controller.panels().empty());
}

TEST(PinController, FiftyPinsCloseTogetherAndKeepNothing) {
    PinRig rig;
    std::vector<QPointer<PinPanel>> opened;
    for (int i = 0; i < 50; ++i)
        opened.emplace_back(rig.pin({640, 480}));
    EXPECT_EQ(rig.controller.panels().size(), 50u);
    // A pin dragged far off every screen stays where it was put.
    opened[3]->move(-5000, -5000);
    EXPECT_EQ(opened[3]->frame().topLeft(), QPointF(-5000, -5000));
    rig.controller.closeAll();
    ASSERT_TRUE(test::waitUntil([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return std::all_of(opened.begin(), opened.end(),
                           [](const QPointer<PinPanel>& p) { return p.isNull(); });
    }));
}

} // namespace
} // namespace quorvane
