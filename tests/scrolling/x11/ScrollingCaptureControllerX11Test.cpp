// The scrolling capture on a real display: its outline and panel stay on the screen while frames
// are taken, and never show in them.

#include "capture/SystemCaptureService.h"
#include "capture/x11/CaptureTestWindows.h"
#include "scrolling/ScrollHUDPanel.h"
#include "scrolling/ScrollOutlineView.h"
#include "scrolling/ScrollOutlineWindow.h"
#include "scrolling/ScrollingRig.h"
#include "support/ImageCompare.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::ImageWindow;
using test::waitUntil;

// A window of "another application": the capture leaves only this process's windows out.
bool showForeign(ImageWindow& window, QPoint position) {
    return window.showAt(position) &&
           test::x11Server().run("xprop", {"-id", QString::number(window.winId()), "-f", "_NET_WM_PID", "32c",
                                           "-set", "_NET_WM_PID", "1"}) == 0;
}

struct RealCapture {
    SystemCaptureService service;
    test::FakeInjector injector;
    test::FakeProbe probe;
    test::FakeInputMonitor input;
    test::FakeKeyMonitor keys;
    Announcer announcer;
    std::vector<ScrollingCaptureResult> finished;
    std::vector<QString> failures;
    ScrollingCaptureController controller{{service, injector, probe, input, keys, announcer}};
    QWidget* foreign = nullptr;

    RealCapture() {
        QObject::connect(&controller, &ScrollingCaptureController::finished,
                         [this](const ScrollingCaptureResult& r) { finished.push_back(r); });
        QObject::connect(&controller, &ScrollingCaptureController::failed,
                         [this](const QString& m) { failures.push_back(m); });
        controller.visibleFrame = [](DisplayID) {
            return std::optional(QRectF(QGuiApplication::primaryScreen()->availableGeometry()));
        };
        // The test's stand-in for another application's window is not put away.
        controller.windows().ownWindows = [this] {
            std::vector<QWidget*> ours;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible() && w != foreign) ours.push_back(w);
            return ours;
        };
    }
    DisplayID display(const QString& name = {}) {
        const auto content = test::awaitResult<ShareableContent>([&](auto done) { service.targets(done); });
        for (const CaptureDisplay& d : content->displays)
            if (d.name == name) return d.displayID;
        return content->mainDisplayID;
    }
    // Our windows that lie on the region, in the server's pixels: these the frames would hide.
    std::vector<std::string> oursOn(const QRectF& region) const {
        std::vector<std::string> on;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != foreign && w->isVisible() && QRectF(w->frameGeometry()).intersects(region))
                on.push_back(w->windowTitle().toStdString());
        return on;
    }
    bool ended() {
        return waitUntil([&] { return !finished.empty() || !failures.empty(); }, 15000);
    }
};

TEST(ScrollingCaptureControllerX11, FramesNeverShowTheOutlineOrThePanelWhichStayOnScreen) {
    for (const QRect& region : {QRect(0, 0, 400, 300), QRect(700, 300, 400, 300)}) {
        RealCapture capture;
        const QImage pattern = test::patternImage(region.width(), region.height());
        ImageWindow window(pattern);
        capture.foreign = &window;
        ASSERT_TRUE(showForeign(window, region.topLeft()));
        capture.controller.begin(QRectF(region), capture.display(), 1);
        ASSERT_TRUE(waitUntil([&] { return capture.controller.stats().stitched >= 4; }));
        ScrollOutlineWindow* outline = capture.controller.windows().outline();
        ASSERT_NE(outline, nullptr);
        EXPECT_EQ(outline->frame(), region.adjusted(-2, -2, 2, 2));
        for (const auto& strip : outline->views())
            EXPECT_TRUE(strip->isVisible());
        EXPECT_TRUE(capture.controller.windows().panel()->isVisible());
        EXPECT_EQ(capture.oursOn(QRectF(region)), std::vector<std::string>{}) << "nothing of ours to take away";
        EXPECT_EQ(capture.controller.model().status(), QStringLiteral("Waiting for scroll…"));
        capture.controller.complete();
        ASSERT_TRUE(capture.ended());
        ASSERT_EQ(capture.finished.size(), 1u);
        EXPECT_TRUE(test::imagesNear(capture.finished[0].image, pattern, 0)) << region.x();
    }
}

TEST(ScrollingCaptureControllerX11, AFullScreenRegionHasThePanelOverItAndFramesWithoutIt) {
    RealCapture capture;
    const QImage pattern = test::patternImage(1920, 1080);
    ImageWindow window(pattern, Qt::FramelessWindowHint);
    capture.foreign = &window;
    ASSERT_TRUE(showForeign(window, QPoint(0, 0)));
    capture.controller.begin(QRectF(0, 0, 1920, 1080), capture.display(), 1);
    ASSERT_TRUE(waitUntil([&] { return capture.controller.stats().stitched >= 3; }, 10000));
    EXPECT_EQ(capture.controller.hudArea(), QRectF(740, 1080 - 8 - 140, 440, 140));
    EXPECT_TRUE(capture.controller.windows().panel()->isVisible());
    capture.controller.complete();
    ASSERT_TRUE(capture.ended());
    ASSERT_EQ(capture.finished.size(), 1u);
    EXPECT_TRUE(test::imagesNear(capture.finished[0].image, pattern, 0));
}

TEST(ScrollingCaptureControllerX11, ADisplayThatGoesAwayEndsTheCaptureWithWhatItHas) {
    ASSERT_TRUE(test::splitIntoTwoMonitors());
    RealCapture capture;
    const QImage pattern = test::patternImage(300, 200);
    ImageWindow window(pattern);
    capture.foreign = &window;
    ASSERT_TRUE(showForeign(window, QPoint(1100, 200)));
    capture.controller.begin(QRectF(1100, 200, 300, 200), capture.display(QStringLiteral("right")), 1);
    ASSERT_TRUE(waitUntil([&] { return capture.controller.stats().stitched >= 2; }));
    ASSERT_TRUE(test::joinMonitors());
    ASSERT_TRUE(capture.ended());
    ASSERT_EQ(capture.finished.size(), 1u);
    EXPECT_TRUE(capture.finished[0].partial);
    EXPECT_EQ(capture.finished[0].reason, QStringLiteral("The display is no longer available."));
    EXPECT_TRUE(test::imagesNear(capture.finished[0].image, pattern, 0));
    EXPECT_EQ(capture.controller.windows().panel(), nullptr);
}

} // namespace
} // namespace quorvane
