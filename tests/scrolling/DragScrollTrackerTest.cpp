#include "scrolling/DragScrollTracker.h"

#include "core/Geometry.h"
#include "scrolling/DragScrollGeometry.h"
#include "scrolling/DragScrollRamp.h"
#include "scrolling/DragScrollStatus.h"

#include <gtest/gtest.h>
#include <limits>

namespace quorvane {
namespace {

using Effect = DragScrollTracker::Effect;
using Phase = DragScrollTracker::Phase;
using Event = DragScrollEvent;
using EffectKind = Effect::Kind;

const DragScrollDisplay wide{1, QRectF(0, 0, 1920, 1080), QRectF(0, 0, 1920, 1080), 2};
const DragScrollDisplay right{2, QRectF(1920, 0, 1280, 800), QRectF(1920, 30, 1280, 770), 1};

// Feeds events and checks each effect; the phase after the last event is checked too.
struct Step {
    Event event;
    Effect effect;
};

TEST(DragScrollTracker, TurnsDragsIntoSelectionsLocksAndZones) {
    const Effect none = Effect::of(EffectKind::none), redraw = Effect::of(EffectKind::redraw);
    const QRectF locked(100, 100, 300, 980);
    const struct {
        const char* name;
        std::vector<Step> steps;
        Phase phase;
    } cases[] = {
        {"up or drag before any down",
         {{Event::up({5, 5}), none}, {Event::drag({5, 5}), none}},
         Phase::of(Phase::Kind::waiting)},
        {"drag into the bottom zone locks",
         {{Event::down({100, 100}), redraw},
          {Event::drag({400, 1076}), Effect::lock(locked, DragScrollEdge::bottom)}},
         Phase::scrolling(DragScrollEdge::bottom)},
        {"just above the zone stays selecting",
         {{Event::down({100, 100}), redraw}, {Event::drag({400, 1073}), redraw}},
         Phase::of(Phase::Kind::selecting)},
        {"too narrow to lock",
         {{Event::down({100, 100}), redraw}, {Event::drag({150, 1079}), redraw}},
         Phase::of(Phase::Kind::selecting)},
        {"release selects",
         {{Event::down({100, 100}), redraw},
          {Event::up({300, 200}), Effect::select(QRectF(100, 100, 200, 100))}},
         Phase::of(Phase::Kind::finished)},
        {"tiny selection waits again, a new down starts afresh",
         {{Event::down({100, 100}), redraw},
          {Event::up({300, 100.5}), redraw},
          {Event::up({300, 300}), none},
          {Event::down({50, 50}), redraw}},
         Phase::of(Phase::Kind::selecting)},
        {"zones while scrolling",
         {{Event::down({100, 100}), redraw},
          {Event::drag({400, 1076}), Effect::lock(locked, DragScrollEdge::bottom)},
          {Event::drag({420, 1079}), none},
          {Event::down({420, 1079}), none},
          {Event::drag({420, 500}), Effect::zone(std::nullopt)},
          {Event::drag({420, 3}), Effect::zone(DragScrollEdge::top)},
          {Event::drag({420, std::numeric_limits<double>::quiet_NaN()}), Effect::zone(std::nullopt)},
          {Event::up({420, 3}), Effect::of(EffectKind::finish)},
          {Event::cancel(), none}},
         Phase::of(Phase::Kind::finished)},
        {"a down on another display locks within its usable area",
         {{Event::down({2200, 600}), redraw},
          {Event::drag({2100, 2}), Effect::lock(QRectF(2100, 30, 100, 570), DragScrollEdge::top)}},
         Phase::scrolling(DragScrollEdge::top)},
        {"cancel",
         {{Event::down({100, 100}), redraw},
          {Event::cancel(), Effect::of(EffectKind::cancel)},
          {Event::down({100, 100}), none}},
         Phase::of(Phase::Kind::cancelled)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DragScrollTracker t = DragScrollTracker::make({wide, right}, QPointF(10, 10));
        for (std::size_t i = 0; i < c.steps.size(); ++i)
            EXPECT_EQ(t.handle(c.steps[i].event), c.steps[i].effect) << "event " << i + 1;
        EXPECT_EQ(t.phase, c.phase);
    }
}

TEST(DragScrollGeometry, RegionSidesLieOnWholePixels) {
    using DragScrollGeometry::lockedRegion;
    const auto half = lockedRegion({100.3, 200.2}, {400.9, 1079}, DragScrollEdge::bottom, wide);
    ASSERT_TRUE(half);
    EXPECT_DOUBLE_EQ(half->x(), 100.5);
    EXPECT_DOUBLE_EQ(half->y(), 200.5);
    EXPECT_DOUBLE_EQ(half->right(), 400.5);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(lockedRegion({nan, 100}, {400, 1079}, DragScrollEdge::bottom, wide));
    EXPECT_FALSE(lockedRegion({100, 1030}, {400, 1079}, DragScrollEdge::bottom, wide)) << "under 64 high";
    DragScrollDisplay unscaled = wide;
    unscaled.scale = 0;
    EXPECT_TRUE(geom::exactlyEqual(*lockedRegion({100.3, 100}, {400, 1079}, DragScrollEdge::bottom, unscaled),
                                   QRectF(101, 100, 299, 980)));
    EXPECT_FALSE(DragScrollGeometry::edge({5, 1079}, QRectF(0, 0, 0, 1080)));
}

TEST(DragScrollRamp, StepsGrowAndSettlingShrinksWithTheDwell) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double dwell;
        std::int32_t step;
        long settleMs;
    } cases[] = {{0, 150, 300},    {nan, 150, 300}, {-1, 150, 300},
                 {0.75, 275, 220}, {1.5, 400, 140}, {9, 400, 140}};
    for (const auto& c : cases) {
        EXPECT_EQ(DragScrollRamp::step(1000, c.dwell), c.step) << c.dwell;
        EXPECT_EQ(DragScrollRamp::settle(c.dwell).count(), c.settleMs) << c.dwell;
    }
    EXPECT_EQ(DragScrollRamp::step(nan, 1), 4);
    EXPECT_EQ(DragScrollRamp::step(100000, 1.5), 2000);
}

TEST(DragScrollStatus, TextsForEachSituation) {
    using Stop = AutoScrollStop;
    const struct {
        QString text;
        const char* expected;
    } cases[] = {
        {DragScrollStatus::scrolling(AutoScrollDirection::down),
         "Scrolling down — release to finish, Esc cancels"},
        {DragScrollStatus::paused(AutoScrollDirection::up),
         "Paused — drag to the top edge to scroll, release to finish"},
        {DragScrollStatus::directionLocked(AutoScrollDirection::down),
         "Only downward scrolling is possible now — release to finish"},
        {DragScrollStatus::stopped(Stop::of(Stop::Kind::noEffect), true),
         "Reached the end — release to finish"},
        {DragScrollStatus::stopped(Stop::of(Stop::Kind::noEffect), false),
         "Scrolling had no effect here — release to finish, Esc cancels"},
        {DragScrollStatus::stopped(Stop::userInput(QStringLiteral("x")), false),
         "Scrolling stopped — release to finish"},
        {DragScrollStatus::stopped(Stop::stitchStopped(QStringLiteral("Limit reached")), true),
         "Limit reached"},
        {DragScrollStatus::stopped(Stop::of(Stop::Kind::stepLimit), true),
         "Step limit reached — release to finish"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.text.toStdString(), c.expected);
}

} // namespace
} // namespace quorvane
