#include "scrolling/DragScrollSelection.h"

#include "support/DragScrollCalls.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

// The tap and the overlay the selection drives, as it sees them.
struct RecordingTap : DragEventTapping {
    bool refuse = false;
    int starts = 0, stops = 0;
    std::function<void(const DragScrollEvent&)> handler;
    bool start(std::function<void(const DragScrollEvent&)> h) override {
        if (refuse) return false;
        ++starts;
        handler = std::move(h);
        return true;
    }
    void stop() override { ++stops; }
};

struct RecordingPresenter : DragSelectionPresenting {
    std::vector<std::optional<QRectF>> shown;
    int hides = 0;
    void show(const std::optional<QRectF>& selection, const DragScrollDisplay&) override {
        shown.push_back(selection);
    }
    void hide() override { ++hides; }
};

const DragScrollDisplay display{1, QRectF(0, 0, 1920, 1080), QRectF(0, 0, 1920, 1080), 2};

struct Harness {
    RecordingTap tap;
    RecordingPresenter presenter;
    bool button = true;
    DragScrollSelection selection{DragScrollTracker::make({display}, QPointF(5, 5)), tap, presenter,
                                  [this] { return button; }};
    std::vector<QString> calls;
    Harness() {
        test::recordDragOutcomes(selection, calls);
        QObject::connect(
            &selection, &DragScrollSelection::zoneChanged, [this](std::optional<DragScrollEdge> e) {
                calls.push_back(QStringLiteral("zone ") + (e ? rawValue(*e) : QStringLiteral("none")));
            });
    }
};

TEST(DragScrollSelection, ReportsSelectionsLocksZonesAndTheEndAndARefusedTapStartsNothing) {
    Harness refused;
    refused.tap.refuse = true;
    EXPECT_FALSE(refused.selection.begin());
    EXPECT_FALSE(refused.selection.isActive());
    EXPECT_TRUE(refused.presenter.shown.empty());

    Harness h;
    ASSERT_TRUE(h.selection.begin());
    EXPECT_FALSE(h.selection.begin()) << "already active";
    ASSERT_EQ(h.presenter.shown.size(), 1u);
    EXPECT_FALSE(h.presenter.shown[0]) << "the hint first";
    h.tap.handler(DragScrollEvent::down({100, 100}));
    h.tap.handler(DragScrollEvent::drag({400, 1076}));
    h.tap.handler(DragScrollEvent::drag({400, 500}));
    h.tap.handler(DragScrollEvent::up({400, 500}));
    EXPECT_EQ(h.calls, (std::vector<QString>{"lock bottom", "zone none", "finish"}));
    EXPECT_EQ(h.tap.stops, 1);
    EXPECT_FALSE(h.selection.isActive());
    EXPECT_FALSE(h.selection.begin()) << "used up";
    h.tap.handler(DragScrollEvent::cancel());
    EXPECT_EQ(h.calls.size(), 3u) << "nothing after the end";
}

TEST(DragScrollSelection, TwoPollsWithTheButtonUpFinishTheSelection) {
    Harness h;
    ASSERT_TRUE(h.selection.begin());
    h.selection.poll();
    h.button = false;
    h.selection.poll();
    EXPECT_TRUE(h.calls.empty()) << "no drag yet";
    h.tap.handler(DragScrollEvent::down({100, 100}));
    h.tap.handler(DragScrollEvent::drag({300, 250}));
    h.selection.poll();
    h.button = true;
    h.selection.poll();
    h.button = false;
    h.selection.poll();
    EXPECT_TRUE(h.calls.empty()) << "a button seen down in between resets the count";
    h.selection.poll();
    EXPECT_EQ(h.calls, (std::vector<QString>{"select 100,100 200x150"}));
}

} // namespace
} // namespace quorvane
