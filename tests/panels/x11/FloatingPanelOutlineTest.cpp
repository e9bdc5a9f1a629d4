// The thumbnail card and pins on a desktop without a compositing manager: their transparent margin
// and rounded corners show the desktop below, not black. A compositing manager that starts takes
// over the blending; when it stops, the clip comes back.

#include "capture/x11/CaptureTestWindows.h"
#include "panels/PanelTesting.h"
#include "panels/PinController.h"
#include "panels/PinPanel.h"
#include "panels/ThumbnailController.h"
#include "panels/ThumbnailPanel.h"
#include "platform/SystemClipboard.h"
#include "support/X11Selection.h"

#include <QClipboard>
#include <QProcess>
#include <QScreen>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

namespace quorvane {
namespace {

using test::waitUntil;

const QColor desktopGreen(40, 200, 90);

QColor onScreen(QPoint at) {
    return QGuiApplication::primaryScreen()->grabWindow(0, at.x(), at.y(), 1, 1).toImage().pixelColor(0, 0);
}

bool near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) <= 8 && std::abs(a.green() - b.green()) <= 8 &&
           std::abs(a.blue() - b.blue()) <= 8;
}

std::string describe(const QColor& color) {
    return color.name().toStdString();
}

bool compositingManagerRuns() {
    return test::selectionHasOwner("_NET_WM_CM_S0");
}

// Points of a panel: a corner pixel and one of the card's margin (outside the outline), and the
// middle (inside). `frame` in screen coordinates.
struct Probe {
    QPoint corner, margin, middle;
};

// The desktop shows at the corner and margin, the panel's red image in the middle.
bool showsDesktopAround(const Probe& probe) {
    return near(onScreen(probe.corner), desktopGreen) && near(onScreen(probe.margin), desktopGreen) &&
           near(onScreen(probe.middle), QColor(Qt::red));
}

struct OutlineRig : test::PanelServices {
    test::ImageWindow desktop{[] {
        QImage green(1920, 1080, QImage::Format_RGBA8888_Premultiplied);
        green.fill(desktopGreen);
        return green;
    }()};
    std::unique_ptr<Clipboard> clipboard = std::make_unique<SystemClipboard>(*QGuiApplication::clipboard());
    ThumbnailController thumbnail{icons, bell, accessibility, test::thumbnailActions()};
    PinController pins{*clipboard, bell, icons, accessibility};
    QImage red = [] {
        QImage image(800, 500, QImage::Format_RGBA8888_Premultiplied);
        image.fill(Qt::red);
        return image;
    }();

    OutlineRig() {
        accessibility.setReduceMotion(true);
        thumbnail.autoDismissSeconds = 0;
    }
    ~OutlineRig() {
        thumbnail.dismiss();
        pins.closeAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    Probe cardProbe() const {
        const QRect frame = thumbnail.panel()->geometry();
        return {frame.topLeft() + QPoint(7, 7), frame.topLeft() + QPoint(frame.width() / 2, 2),
                frame.center()};
    }
    Probe pinProbe(const PinPanel& pin) const {
        const QRect frame = pin.geometry();
        // Off the middle, where the zoom read-out shows for a while.
        return {frame.topLeft(), frame.topRight() + QPoint(0, 1),
                frame.topLeft() + QPoint(frame.width() / 4, frame.height() / 4)};
    }
};

TEST(FloatingPanelOutline, TheDesktopShowsAroundTheCardAndPinsWithOrWithoutACompositor) {
    ASSERT_FALSE(compositingManagerRuns());
    OutlineRig rig;
    ASSERT_TRUE(rig.desktop.showAt({0, 0}));
    rig.thumbnail.show(rig.red, QGuiApplication::primaryScreen());
    PinPanel* pin = rig.pins.pin(rig.red, QRectF(200, 200, 800, 500));
    ASSERT_NE(pin, nullptr);
    ASSERT_TRUE(waitUntil([&] { return rig.thumbnail.panel()->isVisible() && pin->isVisible(); }));

    EXPECT_TRUE(waitUntil([&] { return showsDesktopAround(rig.cardProbe()); }))
        << "card corner " << describe(onScreen(rig.cardProbe().corner)) << ", margin "
        << describe(onScreen(rig.cardProbe().margin));
    EXPECT_TRUE(waitUntil([&] { return showsDesktopAround(rig.pinProbe(*pin)); }))
        << "pin corner " << describe(onScreen(rig.pinProbe(*pin).corner));
    // A zoomed pin keeps its outline at its new size.
    pin->setZoom(pin->zoom() * 0.5);
    EXPECT_TRUE(waitUntil([&] { return showsDesktopAround(rig.pinProbe(*pin)); }))
        << "zoomed pin corner " << describe(onScreen(rig.pinProbe(*pin).corner));

    // A compositing manager blends the translucent edges itself: the clip goes.
    {
        QProcess compositor;
        compositor.start(QStringLiteral("xcompmgr"), {});
        ASSERT_TRUE(waitUntil([] { return compositingManagerRuns(); }));
        EXPECT_TRUE(waitUntil([&] { return rig.thumbnail.panel()->mask().isEmpty() && pin->mask().isEmpty(); }));
        EXPECT_TRUE(waitUntil([&] { return showsDesktopAround(rig.cardProbe()); }))
            << "composited card corner " << describe(onScreen(rig.cardProbe().corner));
        compositor.terminate();
        compositor.waitForFinished();
    }
    // And comes back when it stops.
    ASSERT_TRUE(waitUntil([] { return !compositingManagerRuns(); }));
    EXPECT_TRUE(waitUntil([&] { return !rig.thumbnail.panel()->mask().isEmpty() && !pin->mask().isEmpty(); }));
    EXPECT_TRUE(waitUntil([&] { return showsDesktopAround(rig.cardProbe()) && showsDesktopAround(rig.pinProbe(*pin)); }))
        << "card corner " << describe(onScreen(rig.cardProbe().corner));
}

} // namespace
} // namespace quorvane
