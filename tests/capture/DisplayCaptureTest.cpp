#include "capture/CaptureController.h"
#include "capture/CaptureControllerRig.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::CaptureRig;

// The open document's pixel size and scale; nothing without one.
std::pair<QSize, double> opened(const CaptureController& c) {
    const EditorDocument* document = c.document();
    return document != nullptr ? std::pair(document->image().size(), document->pixelScale())
                               : std::pair(QSize(), 0.0);
}
using test::display;
using test::window;

TEST(DisplayCapture, TakesTheDisplayUnderThePointerElseTheMainOne) {
    struct Case {
        const char* name;
        QPointF pointer;
        DisplayID expected;
    };
    // 2 is listed first and overlaps 3; 1 is the main display.
    const std::vector<CaptureDisplay> displays = {display(2, QRectF(1000, 0, 1000, 800), 2),
                                                  display(3, QRectF(1500, 0, 1000, 800)),
                                                  display(1, QRectF(0, 0, 1000, 800))};
    const Case cases[] = {
        {"second display", QPointF(1200, 10), 2},
        {"both contain it: the first listed", QPointF(1600, 10), 2},
        {"only the third", QPointF(2100, 10), 3},
        {"on the max edge of the main display", QPointF(500, 800), 1},
        {"between displays", QPointF(-50, 900), 1},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        CaptureRig rig(displays);
        rig.service.content.mainDisplayID = 1;
        rig.pointer = each.pointer;
        rig.controller->captureDisplay();
        ASSERT_TRUE(rig.settle());
        ASSERT_EQ(rig.service.filters.size(), 1u);
        EXPECT_EQ(rig.service.filters[0].display.displayID, each.expected);
        const double scale = each.expected == 2 ? 2 : 1;
        EXPECT_EQ(opened(*rig.controller), std::pair(QSize(1000, 800) * scale, scale));
    }

    CaptureRig none(std::vector<CaptureDisplay>{});
    none.controller->captureDisplay();
    ASSERT_TRUE(none.settle());
    EXPECT_EQ(none.controller->errorMessage(),
              std::optional(QStringLiteral("Display is unavailable. Retry capture.")));
    EXPECT_EQ(none.failed, 1);
}

TEST(DisplayCapture, LeavesOurWindowsOutButTheIncludedOnesAndForgetsTheAreaFrame) {
    CaptureRig rig;
    CaptureController& c = *rig.controller;
    const ProcessID us = QCoreApplication::applicationPid();
    rig.service.content.windows = {window(10, QRectF(0, 0, 50, 50), us), window(11, QRectF(0, 0, 50, 50), us),
                                   window(12, QRectF(0, 0, 50, 50))};
    int asked = 0;
    c.includedWindowIDs = [&] {
        ++asked;
        return std::vector<WindowID>{11};
    };
    c.captureArea();
    ASSERT_TRUE(rig.pickerOpen());
    rig.overlay.finish(QRectF(1, 2, 3, 4));
    ASSERT_TRUE(rig.settle());
    ASSERT_TRUE(c.lastCaptureFrame());

    c.captureDisplay();
    ASSERT_TRUE(rig.settle());
    ASSERT_EQ(rig.service.filters.size(), 2u);
    const ContentFilter& filter = rig.service.filters.back();
    EXPECT_EQ(std::tuple(filter.excludedProcessIDs, filter.exceptedWindowIDs, asked),
              std::tuple(std::vector<ProcessID>{us}, std::vector<WindowID>{11}, 6));
    EXPECT_FALSE(c.lastCaptureFrame());
}

TEST(WindowCapture, TakesTheWindowChosenAtTheCallOrSaysItIsGone) {
    CaptureRig rig;
    CaptureController& c = *rig.controller;
    CaptureWindow wide = window(21, QRectF(40, 50, 300, 200));
    wide.scale = 2;
    rig.service.content.windows = {wide, window(22, QRectF(0, 0, 100, 100))};
    c.refreshTargets();
    ASSERT_TRUE(rig.settle());
    c.setSelectedWindowID(21);
    c.setCaptureDelay(3);
    c.captureWindow();
    EXPECT_EQ(c.statusMessage(), QStringLiteral("Capturing window…"));
    // Choosing another window during the countdown does not change this capture.
    ASSERT_TRUE(rig.wake());
    c.setSelectedWindowID(22);
    while (c.isBusy() && rig.wake())
        continue;
    ASSERT_EQ(rig.service.filters.size(), 1u);
    EXPECT_EQ(std::pair(rig.service.filters[0].kind, rig.service.filters[0].window.windowID),
              std::pair(ContentFilter::Kind::window, WindowID(21)));
    EXPECT_EQ(opened(c), std::pair(QSize(600, 400), 2.0));

    // The window closed between listing and capture.
    c.setCaptureDelay(0);
    c.setSelectedWindowID(21);
    rig.service.content.windows = {window(22, QRectF(0, 0, 100, 100))};
    EditorDocument* document = c.document();
    c.captureWindow();
    ASSERT_TRUE(rig.settle());
    EXPECT_EQ(std::tuple(c.errorMessage(), c.errorIsRetryable(), c.selectedWindowID(), c.document()),
              std::tuple(std::optional(QStringLiteral(
                             "The selected window is no longer available. Choose another window and retry.")),
                         true, 22u, document));
}

} // namespace
} // namespace quorvane
