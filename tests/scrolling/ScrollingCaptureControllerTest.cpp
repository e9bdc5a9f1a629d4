#include "scrolling/ScrollHUDPlacement.h"
#include "scrolling/ScrollingRig.h"

#include <gtest/gtest.h>
#include <thread>

namespace quorvane {
namespace {

using test::ScrollingRig;
using Outcome = ScrollStitchOutcome;
using Phase = ScrollingCaptureController::Phase;

TEST(ScrollingCaptureController, ACaptureStartsOnceShowsItsPanelAndFinishesWithTheStitchedImage) {
    ScrollingRig rig;
    rig.controller.showsDragHint = true;
    rig.begin();
    EXPECT_EQ(rig.controller.phase(), Phase::running);
    EXPECT_EQ(rig.controller.model().status(), QStringLiteral("Starting…"));
    EXPECT_TRUE(rig.controller.model().dragHint());
    ASSERT_NE(rig.controller.windows().panel(), nullptr);
    EXPECT_TRUE(rig.controller.hudArea().has_value());
    // A second start while one runs changes nothing.
    rig.controller.begin(QRectF(0, 0, 50, 50), 2, 2);
    EXPECT_EQ(rig.controller.region(), QRectF(100, 100, 400, 300));
    EXPECT_EQ(rig.controller.scale(), 1);

    rig.script->push({Outcome::appended(40), Outcome::reversed(), Outcome::noProgress()});
    ASSERT_TRUE(rig.stitched(4));
    EXPECT_EQ(rig.controller.stats().appended, 1);
    EXPECT_EQ(rig.controller.stats().reversed, 1);
    EXPECT_GE(rig.controller.stats().noProgress, 1);
    EXPECT_GE(rig.controller.stats().captured, 4);
    EXPECT_EQ(rig.controller.model().status(), QStringLiteral("Waiting for scroll…"));
    EXPECT_GE(rig.controller.model().frames(), 4);
    EXPECT_EQ(rig.controller.model().height(), 340);

    // Return finishes: the capture ends once, with the image, upright and whole.
    EXPECT_TRUE(rig.keys.press(Qt::Key_Return));
    EXPECT_EQ(rig.controller.phase(), Phase::finishing);
    EXPECT_EQ(rig.controller.model().status(), QStringLiteral("Finishing…"));
    EXPECT_TRUE(rig.controller.model().finishing());
    ASSERT_TRUE(rig.ended());
    test::pause(50);
    ASSERT_EQ(rig.endings(), 1);
    ASSERT_EQ(rig.finished.size(), 1u);
    EXPECT_EQ(rig.finished[0].image.size(), QSize(400, 340));
    EXPECT_FALSE(rig.finished[0].partial);
    EXPECT_EQ(rig.controller.phase(), Phase::idle);
    EXPECT_EQ(rig.controller.windows().panel(), nullptr);
    EXPECT_FALSE(rig.keys.handler) << "the key monitor stops with the capture";
    EXPECT_EQ(rig.controller.model().status(), QStringLiteral("Starting…"));
}

TEST(ScrollingCaptureController, KeysWithCtrlAltOrSuperHeldAreNotOursAndEnterFinishes) {
    ScrollingRig rig;
    rig.begin();
    ASSERT_TRUE(rig.stitched(1));
    for (Qt::KeyboardModifier held : {Qt::ControlModifier, Qt::AltModifier, Qt::MetaModifier}) {
        EXPECT_FALSE(rig.keys.press(Qt::Key_Return, 5, held));
        EXPECT_FALSE(rig.keys.press(Qt::Key_Escape, 5, held));
    }
    EXPECT_FALSE(rig.keys.press(Qt::Key_A));
    // While a popup of ours holds the keyboard, Escape is the popup's.
    rig.controller.popupOpen = [] { return true; };
    EXPECT_FALSE(rig.keys.press(Qt::Key_Escape));
    rig.controller.popupOpen = [] { return false; };
    EXPECT_EQ(rig.controller.phase(), Phase::running);
    EXPECT_TRUE(rig.keys.press(Qt::Key_Enter, 6, Qt::ShiftModifier));
    ASSERT_TRUE(rig.ended());
    EXPECT_EQ(rig.finished.size(), 1u) << "at least one frame: the first frame is the image";
}

TEST(ScrollingCaptureController, FinishingBeforeAnyFrameCancelsAndLateReportsChangeNothing) {
    ScrollingRig rig;
    rig.begin();
    rig.controller.complete();
    ASSERT_TRUE(rig.ended());
    test::pause(60);
    EXPECT_EQ(rig.cancels, 1);
    EXPECT_EQ(rig.endings(), 1);

    // Cancelled with frames still waiting and one being stitched: nothing arrives afterwards.
    rig.begin();
    ASSERT_TRUE(rig.stitched(1));
    rig.script->setHold(true);
    test::pause(60);
    // The frame being stitched is waited for when the worker goes.
    std::thread release([&rig] {
        std::this_thread::sleep_for(std::chrono::milliseconds(80));
        rig.script->setHold(false);
    });
    rig.keys.press(Qt::Key_Escape);
    release.join();
    EXPECT_EQ(rig.cancels, 2);
    test::pause(100);
    EXPECT_EQ(rig.endings(), 2);
    EXPECT_EQ(rig.controller.model().frames(), 0);
    EXPECT_EQ(rig.controller.stats().stitched, 1) << "the counters stay as the capture left them";
    EXPECT_FALSE(rig.controller.isRunning());
}

TEST(ScrollingCaptureController, StitcherStopsAndFailuresEndWithWhatTheyKeep) {
    struct Case {
        const char* name;
        std::function<void(ScrollingRig&)> arrange;
        std::optional<QString> reason; // partial image with this reason
        std::optional<QString> failure;
    };
    const Error gone{"Quorvane.CaptureService", 2, "The display is no longer available."};
    const Error denied{"Quorvane.CaptureService", -3801, "no"};
    const std::vector<Case> cases{
        {"size limit",
         [](ScrollingRig& rig) { rig.script->push({Outcome::appended(10), Outcome::limitReached()}); },
         QStringLiteral("Limit reached"), {}},
        {"low confidence",
         [](ScrollingRig& rig) { rig.script->push({Outcome::lowConfidence(QStringLiteral("Too far"))}); },
         QStringLiteral("Low confidence: Too far"), {}},
        {"first frame refused", [](ScrollingRig& rig) { rig.script->refuseFirst = true; }, {},
         QStringLiteral("The captured frame could not be used for stitching.")},
        {"display gone after frames",
         [gone](ScrollingRig& rig) {
             QTimer::singleShot(120, [&rig, gone] { *rig.frameError = gone; });
         },
         gone.message, {}},
        {"no source", [gone](ScrollingRig& rig) { rig.sourceError = gone; }, {}, gone.message},
        {"screen capture refused",
         [denied](ScrollingRig& rig) {
             rig.sourceError = denied;
             rig.controller.isPermissionError = [](const Error& e) { return e.code == -3801; };
         },
         {}, message(CaptureFailure::permissionRequired)},
    };
    for (const Case& c : cases) {
        ScrollingRig rig;
        c.arrange(rig);
        rig.begin();
        ASSERT_TRUE(rig.ended()) << c.name;
        test::pause(40);
        ASSERT_EQ(rig.endings(), 1) << c.name;
        if (c.reason) {
            ASSERT_EQ(rig.finished.size(), 1u) << c.name;
            EXPECT_TRUE(rig.finished[0].partial) << c.name;
            EXPECT_EQ(rig.finished[0].reason, c.reason) << c.name;
            EXPECT_TRUE(std::count(rig.statuses.begin(), rig.statuses.end(), *c.reason)) << c.name;
        } else {
            EXPECT_EQ(rig.failures, std::vector{*c.failure}) << c.name;
        }
    }
}

TEST(ScrollingCaptureController, EscapeStopsOnlyTheRunThatItStopsAndALaterEscapeCancels) {
    ScrollingRig rig;
    for (int i = 0; i < 500; ++i)
        rig.script->push({Outcome::appended(10)});
    rig.begin();
    ASSERT_TRUE(rig.stitched(1));
    rig.controller.startAuto(AutoScrollDirection::down);
    ASSERT_TRUE(rig.controller.autoDirection());
    ASSERT_TRUE(test::waitUntil([&] { return rig.injector.posted.size() >= 2; }));
    // The same press reaches the run's monitor and the key monitor: it only stops the run.
    rig.input.handler(AutoScrollStop::of(AutoScrollStop::Kind::escape), 1000);
    EXPECT_TRUE(rig.keys.press(Qt::Key_Escape, 1000));
    EXPECT_EQ(rig.controller.phase(), Phase::running);
    EXPECT_EQ(rig.controller.model().status(), AutoScrollStop::of(AutoScrollStop::Kind::escape).message());
    EXPECT_TRUE(rig.controller.model().attention());
    EXPECT_FALSE(rig.controller.autoDirection());
    // Also when the key monitor hears it first; server time wraps around.
    rig.controller.startAuto(AutoScrollDirection::down);
    ASSERT_TRUE(rig.controller.autoDirection());
    EXPECT_TRUE(rig.keys.press(Qt::Key_Escape, 0xFFFFFFF0u));
    EXPECT_TRUE(rig.keys.press(Qt::Key_Escape, 0xFFFFFFF0u));
    EXPECT_EQ(rig.cancels, 0);
    EXPECT_TRUE(rig.keys.press(Qt::Key_Escape, 5));
    EXPECT_EQ(rig.cancels, 1);
    const auto lines = rig.log.lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) {
                                return line.starts_with("Auto scroll ended after ") && line.ends_with(": escape");
                            }),
              2);
}

TEST(ScrollingCaptureController, EscapeCancelsADragDrivenCaptureAtOnce) {
    ScrollingRig rig;
    rig.begin(DragScrollEdge::bottom);
    EXPECT_TRUE(rig.controller.isDragDriven());
    EXPECT_TRUE(rig.controller.model().dragMode());
    ASSERT_TRUE(test::waitUntil([&] { return rig.controller.autoDirection().has_value(); }));
    EXPECT_TRUE(rig.keys.press(Qt::Key_Escape));
    EXPECT_EQ(rig.cancels, 1);
    EXPECT_FALSE(rig.controller.isRunning());
}

// Top-left global points; the visible frame of a 1920 × 1080 display without panels.
TEST(ScrollHUDPlacement, BelowAboveRightLeftOrOverTheRegion) {
    const QRectF screen(0, 0, 1920, 1080);
    const QSizeF panel(440, 140);
    const auto outline = [](QRectF region) { return region.adjusted(-2, -2, 2, 2); };
    struct Case {
        const char* name;
        QRectF region;
        QRectF visible;
        QPointF expected;
    };
    const std::vector<Case> cases{
        {"below", QRectF(700, 200, 400, 300), screen, QPointF(680, 514)},
        {"above near the bottom", QRectF(700, 800, 400, 250), screen, QPointF(680, 646)},
        {"right of a full-height region", QRectF(100, 0, 600, 1080), screen, QPointF(714, 1080 - 8 - 140)},
        {"left of a full-height region", QRectF(1300, 0, 600, 1080), screen, QPointF(1300 - 2 - 12 - 440, 932)},
        {"over a full-screen region", QRectF(0, 0, 1920, 1080), screen, QPointF(740, 932)},
        // Without a screen the region is the visible frame: the panel lies on the region.
        {"no screen", QRectF(700, 200, 400, 300), QRectF(700, 200, 400, 300), QPointF(708, 352)},
        {"beside, bottoms level", QRectF(100, 40, 600, 1000), QRectF(0, 30, 1920, 1050),
         QPointF(714, 1042 - 140)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScrollHUDPlacement::origin(outline(c.region), c.visible, panel), c.expected) << c.name;
}

} // namespace
} // namespace quorvane
