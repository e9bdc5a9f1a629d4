#include "capture/CaptureTargets.h"

#include "capture/CaptureController.h"
#include "capture/CaptureControllerRig.h"
#include "capture/CaptureDelay.h"

#include <QCoreApplication>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace quorvane {
namespace {

using test::CaptureRig;
using test::window;

std::vector<WindowID> ids(const std::vector<CaptureWindow>& windows) {
    std::vector<WindowID> result;
    for (const auto& w : windows)
        result.push_back(w.windowID);
    return result;
}

TEST(CaptureTargets, OffersOtherApplicationsOrdinaryWindowsLargerThanOnePoint) {
    ShareableContent content;
    const ProcessID us = QCoreApplication::applicationPid();
    content.windows = {
        window(1, QRectF(0, 0, 1, 200)),                 // too narrow
        window(2, QRectF(5, 5, 2, 2)),                   // just large enough
        window(3, QRectF(0, 0, 300, 200), us),           // ours
        window(4, QRectF(0, 0, 300, 200), 4242, 1),      // a panel
        window(5, QRectF(0, 0, 300, 200), std::nullopt), // owned by no process
        window(6, QRectF(0, 0, 200, 1.5)),
    };
    const auto offered = CaptureTargets::capturableWindows(content, us);
    EXPECT_EQ(ids(offered), (std::vector<WindowID>{2, 5, 6}));
    EXPECT_EQ(CaptureTargets::keptSelection(offered, 3), 2u);
    EXPECT_EQ(CaptureTargets::keptSelection({}, 3), 0u);
}

TEST(CaptureTargets, RefreshListsWindowsAndKeepsTheSelectionValid) {
    CaptureRig rig;
    CaptureController& c = *rig.controller;
    c.setChoosingWindow(true);
    rig.service.content.windows = {window(8, QRectF(0, 0, 50, 50)), window(9, QRectF(0, 0, 50, 50))};
    c.setSelectedWindowID(9);
    c.refreshTargets();
    EXPECT_EQ(c.statusMessage(), QStringLiteral("Refreshing windows…"));
    ASSERT_TRUE(rig.settle());
    EXPECT_EQ(std::tuple(ids(c.windows()), c.selectedWindowID(), c.statusMessage()),
              std::tuple(std::vector<WindowID>{8, 9}, 9u, QStringLiteral("Choose a window to capture.")));

    rig.service.content.windows = {window(8, QRectF(0, 0, 50, 50))};
    c.refreshTargets();
    ASSERT_TRUE(rig.settle());
    EXPECT_EQ(c.selectedWindowID(), 8u);

    rig.service.content.windows.clear();
    c.refreshTargets();
    ASSERT_TRUE(rig.settle());
    EXPECT_EQ(std::tuple(c.selectedWindowID(), c.statusMessage()),
              std::tuple(0u, QStringLiteral("No available windows. Try capturing a display.")));
}

TEST(CaptureDelay, ChoosesTheOneShotDelayOrAStandingDelayOfZeroThreeOrFive) {
    struct Case {
        std::optional<int> oneShot;
        int standing;
        int seconds;
    };
    const Case cases[] = {{std::nullopt, 5, 5}, {std::nullopt, 4, 0}, {10, 0, 10},
                          {11, 3, 0},           {-1, 5, 0},           {0, 5, 0}};
    for (const Case& each : cases)
        EXPECT_EQ(CaptureController::delaySeconds(each.oneShot, each.standing), each.seconds)
            << each.oneShot.value_or(99) << " " << each.standing;
}

TEST(CaptureDelay, CountsDownOneStatusASecondBeforeThePictureAndTheOneShotOnlyOnce) {
    CaptureRig rig;
    CaptureController& c = *rig.controller;
    c.setCaptureDelay(3);
    c.captureDisplay();
    for (const char* text : {"Capturing in 3…", "Capturing in 2…", "Capturing in 1…"}) {
        ASSERT_TRUE(CaptureRig::turnUntil([&] { return !rig.wakes.empty(); }));
        EXPECT_EQ(std::tuple(c.statusMessage(), c.isCountingDown(), rig.service.filters.size()),
                  std::tuple(QString::fromUtf8(text), true, std::size_t(0)));
        ASSERT_TRUE(rig.wake());
    }
    ASSERT_TRUE(rig.settle());
    EXPECT_EQ(std::pair(c.isCountingDown(), rig.captured), std::pair(false, 1));

    c.oneShotDelay = 10;
    c.captureDisplay();
    ASSERT_TRUE(CaptureRig::turnUntil([&] { return !rig.wakes.empty(); }));
    EXPECT_EQ(c.statusMessage(), QStringLiteral("Capturing in 10…"));
    int steps = 0;
    while (c.isBusy() && rig.wake())
        ++steps;
    EXPECT_EQ(steps, 10);

    // The standing delay applies again; a one-shot 0 overrides it.
    c.setCaptureDelay(5);
    c.captureDisplay();
    ASSERT_TRUE(CaptureRig::turnUntil([&] { return !rig.wakes.empty(); }));
    EXPECT_EQ(c.statusMessage(), QStringLiteral("Capturing in 5…"));
    c.cancel();
    EXPECT_EQ(rig.stoppedSleeps, 1);
    c.oneShotDelay = 0;
    rig.wakes.clear();
    c.captureDisplay();
    ASSERT_TRUE(rig.settle());
    EXPECT_TRUE(rig.wakes.empty());
    EXPECT_EQ(rig.captured, 3);
}

TEST(CaptureDelay, TheTimerSleepWakesOnceAndCanBeStopped) {
    const auto sleep = CaptureDelay::timerSleep();
    int woken = 0;
    sleep(1, [&] { ++woken; });
    const auto stop = sleep(1, [&] { woken += 10; });
    stop();
    // One started after the stopped one wakes after it would have.
    bool later = false;
    sleep(1, [&] { later = true; });
    ASSERT_TRUE(CaptureRig::turnUntil([&] { return later; }, 100000));
    QCoreApplication::processEvents();
    EXPECT_EQ(woken, 1);
}

// The open timers of this process on the clock that counts through suspend (CLOCK_BOOTTIME).
int bootClockTimers() {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fdinfo")) {
        std::ifstream info(entry.path());
        std::ostringstream read;
        read << info.rdbuf();
        const std::string text = read.str();
        if (text.find("clockid: 7\n") != std::string::npos) ++count;
    }
    return count;
}

// A countdown second interrupted by a suspend is over on waking, as in the world it has passed.
TEST(CaptureDelay, TheTimerSleepCountsOnTheClockThatRunsThroughSuspend) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const int before = bootClockTimers();
    const auto stop = CaptureDelay::timerSleep()(60000, [] {});
    EXPECT_EQ(bootClockTimers(), before + 1);
    stop();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(bootClockTimers(), before);
}

} // namespace
} // namespace quorvane
