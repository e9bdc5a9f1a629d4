#include "scrolling/DragScrollStatus.h"
#include "scrolling/ScrollingRig.h"

#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace quorvane {
namespace {

using test::ScrollingRig;
using Outcome = ScrollStitchOutcome;
using Stop = AutoScrollStop::Kind;

std::vector<std::string> linesStartingWith(const ScrollingRig& rig, const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& line : rig.log.lines())
        if (line.starts_with(prefix)) found.push_back(line);
    return found;
}

TEST(ScrollingAutoRuns, TheOtherDirectionIsOfferedUntilRowsAreAppendedAndSwitchingRestartsStitching) {
    ScrollingRig rig;
    rig.begin();
    ASSERT_TRUE(rig.stitched(2));
    EXPECT_TRUE(rig.controller.model().canAutoDown());
    EXPECT_TRUE(rig.controller.model().canAutoUp());

    // Switching while a frame is still being stitched is refused.
    rig.script->setHold(true);
    ASSERT_TRUE(test::waitUntil([&] { return rig.controller.stats().captured >= 4; }));
    rig.controller.startAuto(AutoScrollDirection::up);
    EXPECT_EQ(rig.controller.model().status(), QStringLiteral("Still stitching — press Auto again"));
    EXPECT_TRUE(rig.controller.model().attention());
    EXPECT_EQ(rig.controller.orientation(), AutoScrollDirection::down);
    EXPECT_FALSE(rig.controller.autoDirection());
    std::thread release([&rig] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        rig.script->setHold(false);
    });
    // Stopping the capture loop's frames for a moment: the worker drains.
    rig.controller.interval = std::chrono::milliseconds(400);
    release.join();
    ASSERT_TRUE(test::waitUntil([&] { return rig.controller.model().canAutoUp(); }));
    test::pause(100);

    // Now the worker is replaced; the next frame is the new worker's first.
    for (int i = 0; i < 50; ++i)
        rig.script->push({Outcome::appended(8)});
    const int captured = rig.controller.stats().captured;
    rig.controller.startAuto(AutoScrollDirection::up);
    EXPECT_EQ(rig.controller.orientation(), AutoScrollDirection::up);
    EXPECT_EQ(rig.controller.model().orientation(), AutoScrollDirection::up);
    EXPECT_EQ(rig.controller.stats().stitched, 0);
    EXPECT_GE(rig.controller.stats().captured, captured) << "frames taken stay counted";
    EXPECT_EQ(rig.controller.model().status(), QStringLiteral("Auto scrolling — move the pointer or press a key to stop"));
    ASSERT_TRUE(test::waitUntil([&] { return rig.controller.stats().appended >= 2; }));
    ASSERT_FALSE(rig.injector.posted.empty());
    EXPECT_GT(rig.injector.posted.front(), 0) << "up is a positive wheel delta";
    rig.controller.endAuto(AutoScrollStop::of(Stop::stopped));
    EXPECT_EQ(rig.controller.model().status(), AutoScrollStop::of(Stop::stopped).message());
    // With rows appended upward, down is no longer offered.
    EXPECT_FALSE(rig.controller.model().canAutoDown());
    EXPECT_TRUE(rig.controller.model().canAutoUp());
    EXPECT_TRUE(rig.controller.isRunning());
}

TEST(ScrollingAutoRuns, AnAutomaticRunThatReachesTheEndFinishesTheCapture) {
    ScrollingRig rig;
    rig.controller.setAutoSpeed(AutoScrollSpeed::fast);
    rig.begin();
    ASSERT_TRUE(rig.stitched(1));
    for (int i = 0; i < 5; ++i)
        rig.script->push({Outcome::appended(30)});
    rig.controller.startAuto(AutoScrollDirection::down);
    ASSERT_TRUE(rig.ended());
    ASSERT_EQ(rig.finished.size(), 1u);
    EXPECT_FALSE(rig.finished[0].partial);
    EXPECT_TRUE(std::count(rig.statuses.begin(), rig.statuses.end(), QStringLiteral("Reached the end of the content")));
    // Fast steps are 40 % of the 300-point region, posted downward, one click while the distance
    // of a click is unknown.
    ASSERT_FALSE(rig.injector.posted.empty());
    EXPECT_EQ(rig.injector.posted.front(), -1);
    EXPECT_EQ(linesStartingWith(rig, "Auto scroll started"), std::vector<std::string>{"Auto scroll started: down, step 120, drag false"});
    EXPECT_EQ(linesStartingWith(rig, "Auto scroll ended").size(), 1u);
    EXPECT_TRUE(linesStartingWith(rig, "Auto scroll ended")[0].ends_with(": endReached"));
}

// An application whose wheel click moves its content `perClick` rows, with `below` rows still to
// show, under a stitcher that appends what the clicks since the last frame moved.
struct ClickedContent {
    int perClick, below;
    std::mutex mutex{};
    int moved = 0;
    std::vector<int> steps{};

    void scroll(int clicks) {
        const std::lock_guard lock(mutex);
        const int rows = clicks < 0 ? std::min(-clicks * perClick, below) : 0;
        below -= rows;
        moved += rows;
        steps.push_back(rows);
    }
};

class MovedRowsStitcher final : public ScrollStitching {
public:
    MovedRowsStitcher(ClickedContent& content, int height) : content_(content), height_(height) {}
    int height() const override { return height_; }
    ScrollStitchOutcome add(const QImage&) override {
        const std::lock_guard lock(content_.mutex);
        const int rows = std::exchange(content_.moved, 0);
        height_ += rows;
        return rows > 0 ? Outcome::appended(rows) : Outcome::noProgress();
    }
    std::optional<QImage> result() const override { return QImage(400, height_, QImage::Format_RGBX8888); }

private:
    ClickedContent& content_;
    int height_;
};

TEST(ScrollingAutoRuns, StepsPostTheClicksThatMoveTheContentByTheStepOnceAClicksDistanceIsSeen) {
    // Fast steps of a 300-point region are 120 points; none may move more than 60 % of the frame.
    // At scale 2 frames have 600 rows and a step is 240 of them.
    const struct {
        int perClick;
        double scale;
        std::vector<int> firstClicks;
    } cases[] = {{30, 1, {-1, -2, -4, -4, -4}},
                 {95, 1, {-1, -1, -1, -1, -1}},
                 {250, 1, {-1, -1, -1}},
                 {30, 2, {-1, -2, -4, -8, -8}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.perClick << " rows a click at scale " << c.scale);
        ScrollingRig rig;
        ClickedContent content{c.perClick, 1500};
        rig.injector.onPost = [&](int clicks) { content.scroll(clicks); };
        rig.controller.makeStitcher = [&](const QImage& first) -> std::unique_ptr<ScrollStitching> {
            return std::make_unique<MovedRowsStitcher>(content, first.height());
        };
        rig.controller.setAutoSpeed(AutoScrollSpeed::fast);
        rig.controller.begin(QRectF(100, 100, 400, 300), 1, c.scale);
        ASSERT_TRUE(rig.stitched(1));
        rig.controller.startAuto(AutoScrollDirection::down);
        ASSERT_TRUE(rig.ended());
        ASSERT_EQ(rig.finished.size(), 1u);
        EXPECT_FALSE(rig.finished[0].partial);
        EXPECT_EQ(rig.finished[0].image.height(), 300 + 1500) << "the whole content";
        const std::vector<int> first(rig.injector.posted.begin(),
                                     rig.injector.posted.begin() + int(c.firstClicks.size()));
        EXPECT_EQ(first, c.firstClicks);
        if (c.perClick <= 180 * c.scale) {
            EXPECT_LE(*std::max_element(content.steps.begin(), content.steps.end()), 180 * c.scale);
        }
    }
}

// A run in another window of the same capture learns that window's click afresh: the first
// window's 30 rows a click would make it post four clicks of 250 rows into a 300-row frame.
TEST(ScrollingAutoRuns, ARunInAnotherWindowLearnsItsClickDistanceAfresh) {
    ScrollingRig rig;
    ClickedContent content{30, 100000};
    rig.injector.onPost = [&](int clicks) { content.scroll(clicks); };
    rig.controller.makeStitcher = [&](const QImage& first) -> std::unique_ptr<ScrollStitching> {
        return std::make_unique<MovedRowsStitcher>(content, first.height());
    };
    rig.controller.setAutoSpeed(AutoScrollSpeed::fast);
    rig.controller.begin(QRectF(100, 100, 400, 300), 1, 1);
    ASSERT_TRUE(rig.stitched(1));
    rig.controller.startAuto(AutoScrollDirection::down);
    ASSERT_TRUE(test::waitUntil([&] { return rig.injector.posted.size() >= 3; }));
    rig.input.handler(AutoScrollStop::userInput(QStringLiteral("the pointer moved")), 9);
    ASSERT_EQ(rig.injector.posted.back(), -4) << "the first window's distance was learnt";

    rig.probe.under = ScrollTarget{78, 4242};
    {
        const std::lock_guard lock(content.mutex);
        content.perClick = 250;
    }
    const std::size_t first = rig.injector.posted.size();
    rig.controller.startAuto(AutoScrollDirection::down);
    ASSERT_TRUE(test::waitUntil([&] { return rig.injector.posted.size() >= first + 3; }));
    rig.controller.endAuto(AutoScrollStop::of(Stop::stopped));
    EXPECT_EQ(std::vector<int>(rig.injector.posted.begin() + long(first), rig.injector.posted.begin() + long(first) + 3),
              (std::vector<int>{-1, -1, -1}));
}

TEST(ScrollingAutoRuns, RunsNeedTrustAndAWindowAndStopOnTheUsersInput) {
    ScrollingRig rig;
    rig.begin();
    ASSERT_TRUE(rig.stitched(1));
    rig.injector.trust = false;
    rig.controller.startAuto(AutoScrollDirection::down);
    EXPECT_TRUE(rig.controller.model().needsAccess());
    EXPECT_EQ(rig.controller.model().status(), QStringLiteral("Auto scroll needs Accessibility to send scroll events to other apps"));
    Q_EMIT rig.controller.model().accessRequested();
    Q_EMIT rig.controller.model().accessRequested();
    EXPECT_EQ(rig.injector.requests, 2);
    EXPECT_EQ(rig.controller.model().status(), QStringLiteral("Allow Quorvane under Accessibility, then press Auto again — or scroll manually"));
    EXPECT_EQ(rig.statuses.end()[-2], QStringLiteral("Answer the system prompt, then press Auto again (Allow Access… again opens the desktop's settings)"));

    rig.injector.trust = true;
    rig.probe.under.reset();
    rig.controller.startAuto(AutoScrollDirection::down);
    EXPECT_FALSE(rig.controller.model().needsAccess());
    EXPECT_EQ(rig.controller.lastAutoStop(), AutoScrollStop::of(Stop::noTarget));
    EXPECT_FALSE(rig.controller.autoDirection());

    rig.probe.under = ScrollTarget{77, 4242};
    for (int i = 0; i < 500; ++i)
        rig.script->push({Outcome::appended(10)});
    rig.controller.startAuto(AutoScrollDirection::down);
    ASSERT_TRUE(test::waitUntil([&] { return rig.injector.posted.size() >= 2; }));
    rig.input.handler(AutoScrollStop::userInput(QStringLiteral("the pointer moved")), 9);
    EXPECT_EQ(rig.controller.model().status(),
              QStringLiteral("Auto scroll stopped: the pointer moved — scroll manually or press Finish"));
    // Another window under the area stops the next run at its next step.
    rig.controller.startAuto(AutoScrollDirection::down);
    ASSERT_TRUE(test::waitUntil([&] { return rig.controller.stats().autoSteps >= 4; }));
    rig.probe.under = ScrollTarget{78, 4242};
    ASSERT_TRUE(test::waitUntil([&] { return !rig.controller.autoDirection(); }));
    EXPECT_EQ(rig.controller.lastAutoStop(), AutoScrollStop::of(Stop::targetChanged));
    EXPECT_TRUE(rig.controller.isRunning()) << "the capture goes on by hand";
    ASSERT_TRUE(rig.stitched(rig.controller.stats().stitched + 2)) << "the manual loop is back";
}

TEST(ScrollingAutoRuns, EdgeRunsPauseAndGoOnAndTheEndIsShownWithoutAttention) {
    ScrollingRig rig;
    rig.controller.settleOverride = std::chrono::milliseconds(40);
    for (int i = 0; i < 6; ++i)
        rig.script->push({Outcome::appended(20)});
    rig.begin(DragScrollEdge::bottom);
    ASSERT_TRUE(test::waitUntil([&] { return rig.controller.stats().autoSteps >= 3; }));
    EXPECT_EQ(rig.controller.model().status(), DragScrollStatus::scrolling(AutoScrollDirection::down));
    EXPECT_EQ(rig.announcer.lastAnnouncement(), DragScrollStatus::scrolling(AutoScrollDirection::down));

    rig.controller.setDragEdge(std::nullopt);
    EXPECT_EQ(rig.controller.model().status(), DragScrollStatus::paused(AutoScrollDirection::down));
    EXPECT_FALSE(rig.controller.model().attention());
    const int steps = rig.controller.stats().autoSteps;
    // The top edge cannot scroll a capture that has content downward.
    rig.controller.setDragEdge(DragScrollEdge::top);
    EXPECT_EQ(rig.controller.model().status(), DragScrollStatus::directionLocked(AutoScrollDirection::down));
    EXPECT_TRUE(rig.controller.model().attention());
    rig.controller.setDragEdge(DragScrollEdge::bottom);
    EXPECT_EQ(rig.controller.autoDirection(), AutoScrollDirection::down);
    ASSERT_TRUE(test::waitUntil([&] { return !rig.controller.autoDirection(); }));
    const QString end = DragScrollStatus::stopped(AutoScrollStop::of(Stop::endReached), true);
    EXPECT_EQ(rig.controller.model().status(), end);
    EXPECT_FALSE(rig.controller.model().attention());
    // One run across the pause: its steps went on from where they were.
    const auto ended = linesStartingWith(rig, "Auto scroll ended");
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0], "Auto scroll ended after " + std::to_string(rig.controller.stats().autoSteps) +
                            " steps: endReached");
    EXPECT_GT(rig.controller.stats().autoSteps, steps);
    rig.controller.setDragEdge(std::nullopt);
    EXPECT_EQ(rig.controller.model().status(), end) << "no paused text after the end";
    EXPECT_EQ(rig.endings(), 0);
}

TEST(ScrollingAutoRuns, EventsAimAtTheCentreOrTheLargestStripThePanelLeavesFree) {
    const QRectF region(100, 100, 400, 300); // centre (300, 250)
    struct Case {
        const char* name;
        std::optional<QRectF> hud;
        QPointF expected;
    };
    const std::vector<Case> cases{
        {"no panel", std::nullopt, QPointF(300, 250)},
        // Grown by 24: (176, 226)–(424, 274); above 126 high beats below 126 high by coming first.
        {"over the centre, tie", QRectF(200, 250, 200, 0), QPointF(300, 163)},
        {"over the centre, more room below", QRectF(150, 200, 300, 40), QPointF(300, 332)},
        {"over all of it", QRectF(50, 50, 500, 400), QPointF(300, 250)},
        {"grown, not over the centre", QRectF(330, 280, 100, 100), QPointF(300, 250)},
        {"to the right of the centre", QRectF(280, 100, 300, 300), QPointF(178, 250)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScrollingCaptureController::scrollPoint(region, c.hud), c.expected) << c.name;
}

} // namespace
} // namespace quorvane
