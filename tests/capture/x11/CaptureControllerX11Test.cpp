#include "capture/CaptureController.h"
#include "capture/CaptureControllerRig.h"
#include "capture/SystemCaptureService.h"
#include "capture/x11/CaptureTestWindows.h"
#include "core/AccessibilityOptions.h"
#include "support/CountingBeeper.h"
#include "support/DisplayState.h"
#include "support/ImageCompare.h"
#include "support/Xdotool.h"

#include <QCursor>
#include <QProcess>
#include <gtest/gtest.h>
#include <utility>

namespace quorvane {
namespace {

using test::ImageWindow;
using test::waitUntil;
using test::xdotool;

bool movePointer(QPoint to) {
    xdotool(QStringLiteral("mousemove %1 %2").arg(to.x()).arg(to.y()));
    return waitUntil([&] { return QCursor::pos() == to; });
}

class CaptureControllerX11 : public ::testing::Test {
protected:
    CaptureControllerX11() {
        controller.includedWindowIDs = [this] {
            return std::vector<WindowID>{static_cast<WindowID>(pattern.winId())};
        };
    }
    void TearDown() override { test::joinMonitors(); }
    bool finished() {
        return waitUntil([&] { return !controller.isBusy(); }, 15000);
    }
    QImage documentImage() const { return controller.document() ? controller.document()->image() : QImage(); }

    test::InputKept input;
    SystemCaptureService service;
    test::CountingBeeper bell;
    AccessibilityOptions accessibility;
    AreaSelectionOverlay overlay{bell, accessibility};
    CaptureController controller{service, overlay, test::unaskedQuestions()};
    // Our own window, which display captures show only because it is included.
    ImageWindow pattern{test::patternImage(600, 400), Qt::FramelessWindowHint};
};

TEST_F(CaptureControllerX11, CaptureScreenTakesTheMonitorUnderThePointer) {
    ASSERT_TRUE(test::splitIntoTwoMonitors());
    ASSERT_TRUE(pattern.showAt(QPoint(1100, 100)));
    ASSERT_TRUE(movePointer(QPoint(1500, 900)));
    controller.captureDisplay();
    ASSERT_TRUE(finished());
    ASSERT_EQ(std::pair(controller.errorMessage(), documentImage().size()),
              std::pair(std::optional<QString>(), QSize(960, 1080)));
    EXPECT_TRUE(test::imagesNear(documentImage().copy(140, 100, 600, 400), test::patternImage(600, 400), 0));
    test::joinMonitors();
}

TEST_F(CaptureControllerX11, CaptureWindowTakesTheChosenWindowOfAnotherApplication) {
    test::WindowManagerInTest windowManager;
    ASSERT_TRUE(windowManager.started());
    QProcess other;
    other.start(QStringLiteral("xmessage"), {QStringLiteral("-geometry"), QStringLiteral("320x140+300+250"),
                                             QStringLiteral("Quorvane window capture")});
    ASSERT_TRUE(other.waitForStarted());
    // The window manager may still be placing it: wait until two listings agree.
    std::optional<CaptureWindow> listed;
    ASSERT_TRUE(waitUntil(
        [&] {
            const std::optional<CaptureWindow> before = std::exchange(listed, std::nullopt);
            controller.refreshTargets();
            if (!finished()) return false;
            for (const CaptureWindow& w : controller.windows())
                // xmessage names no process; its title is its name.
                if (w.title == QLatin1String("xmessage")) listed = w;
            return listed && listed == before;
        },
        20000));
    controller.setSelectedWindowID(listed->windowID);
    const auto content = test::awaitResult<ShareableContent>([&](auto done) { service.targets(done); });
    ASSERT_TRUE(content.ok());
    // The same pixels as the screen shows there. xmessage may still be drawing its text after it
    // was mapped, so a capture that differs is taken again a few times before it counts.
    bool same = false;
    for (int attempt = 0; attempt < 20 && !same; ++attempt) {
        controller.captureWindow();
        ASSERT_TRUE(finished());
        ASSERT_EQ(controller.errorMessage(), std::nullopt);
        const QImage image = documentImage();
        ASSERT_EQ(image.size(), listed->frame.size().toSize());
        const auto screen = test::awaitResult<QImage>(
            [&](auto done) { service.image(ContentFilter::forDisplay(content->displays.front()), done); });
        ASSERT_TRUE(screen.ok());
        same = test::imagesNear(image, screen->copy(listed->frame.toRect()), 0);
    }
    EXPECT_TRUE(same);

    other.kill();
    other.waitForFinished();
}

TEST_F(CaptureControllerX11, CaptureAreaThenRepeatItUntilTheMonitorsChange) {
    ASSERT_TRUE(pattern.showAt(QPoint(100, 100)));
    ASSERT_TRUE(movePointer(QPoint(700, 700)));
    controller.captureArea();
    ASSERT_TRUE(waitUntil([&] { return overlay.holdsInput(); }));
    xdotool(QStringLiteral("mousemove 150 150 mousedown 1 mousemove 300 250 mousemove 450 350 mouseup 1"));
    ASSERT_TRUE(finished());
    ASSERT_EQ(controller.errorMessage(), std::nullopt);
    const QImage expected = test::patternImage(600, 400).copy(50, 50, 300, 200);
    EXPECT_TRUE(test::imagesNear(documentImage(), expected, 0));
    EXPECT_EQ(controller.lastCaptureFrame(), std::optional(QRectF(150, 150, 300, 200)));

    // Again, without the picker.
    EditorDocument* first = controller.document();
    bool pickerShown = false;
    QObject::connect(&controller, &CaptureController::statusMessageChanged,
                     [&] { pickerShown = pickerShown || overlay.isOpen(); });
    controller.repeatArea();
    ASSERT_TRUE(finished());
    EXPECT_NE(controller.document(), first);
    EXPECT_TRUE(test::imagesNear(documentImage(), expected, 0));
    EXPECT_FALSE(pickerShown);

    // A change of the monitors while picking cancels the pick and keeps the saved area…
    controller.captureArea();
    ASSERT_TRUE(waitUntil([&] { return overlay.isOpen(); }));
    ASSERT_TRUE(test::splitIntoTwoMonitors());
    ASSERT_TRUE(finished());
    EXPECT_EQ(std::pair(controller.statusMessage(), controller.canRepeatArea()),
              std::pair(QStringLiteral("Capture cancelled. Previous image retained."), true));

    // …which a repeat on the changed screen then forgets.
    EditorDocument* kept = controller.document();
    controller.repeatArea();
    ASSERT_TRUE(finished());
    EXPECT_EQ(
        controller.errorMessage(),
        std::optional(QStringLiteral("Display arrangement or resolution changed. Select an area again.")));
    EXPECT_EQ(std::pair(controller.canRepeatArea(), controller.document()), std::pair(false, kept));
    test::joinMonitors();
}

} // namespace
} // namespace quorvane
