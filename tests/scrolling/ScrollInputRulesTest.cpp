#include "scrolling/AutoScrollInputClassifier.h"
#include "scrolling/SystemScrollTargetProbe.h"
#include "scrolling/WheelClickDistance.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using Kind = RawInputEvent::Kind;
using Key = RawInputEvent::Key;

TEST(AutoScrollInputClassifier, StopsForTheUsersInputOnly) {
    const QPointF anchor(500, 400);
    const auto moved = [](QPointF to) { return std::make_pair(RawInputEvent::of(Kind::mouseMoved), to); };
    const auto key = [](Key k) { return std::make_pair(RawInputEvent::keyDown(k), QPointF()); };
    const auto scroll = [](std::uint32_t mark) {
        return std::make_pair(RawInputEvent::scroll(mark), QPointF());
    };
    const std::optional<AutoScrollStop> none;
    const struct {
        const char* name;
        std::pair<RawInputEvent, QPointF> input;
        std::optional<AutoScrollStop> stop;
    } cases[] = {
        {"moved exactly 24", moved({524, 400}), none},
        {"moved 24 diagonally", moved({500 + 24 / std::sqrt(2.0), 400 + 24 / std::sqrt(2.0) - 1e-9}), none},
        {"moved 24.1", moved({524.1, 400}), AutoScrollStop::userInput(QStringLiteral("the pointer moved"))},
        {"moved (24, 1)", moved({524, 401}), AutoScrollStop::userInput(QStringLiteral("the pointer moved"))},
        {"clicked",
         {RawInputEvent::of(Kind::mouseDown), {}},
         AutoScrollStop::userInput(QStringLiteral("the mouse was clicked"))},
        {"escape", key(Key::escape), AutoScrollStop::of(AutoScrollStop::Kind::escape)},
        {"caps lock", key(Key::lock), none},
        {"shift", key(Key::modifier),
         AutoScrollStop::userInput(QStringLiteral("a modifier key was pressed"))},
        {"a letter", key(Key::other), AutoScrollStop::userInput(QStringLiteral("a key was pressed"))},
        {"our own scroll", scroll(RawInputEvent::ownEventMark), none},
        {"another scroll", scroll(0),
         AutoScrollStop::userInput(QStringLiteral("the scroll wheel or trackpad was used"))},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AutoScrollInputClassifier::classify(c.input.first, c.input.second, anchor), c.stop)
            << c.name;

    EXPECT_EQ(AutoScrollInputClassifier::keyClass(Qt::Key_Escape), Key::escape);
    EXPECT_EQ(AutoScrollInputClassifier::keyClass(Qt::Key_Meta), Key::modifier);
    EXPECT_EQ(AutoScrollInputClassifier::keyClass(Qt::Key_CapsLock), Key::lock);
    EXPECT_EQ(AutoScrollInputClassifier::keyClass(Qt::Key_AltGr), Key::lock);
    EXPECT_EQ(AutoScrollInputClassifier::keyClass(Qt::Key_A), Key::other);
    // A key without a name of its own (a vendor key) is still a key that was pressed.
    EXPECT_EQ(AutoScrollInputClassifier::keyClass(Qt::Key_unknown), Key::other);
}

TEST(SystemScrollTargetProbe, TopmostIsTheFrontOrdinaryWindowThatIsNotOurs) {
    const auto window = [](std::uint32_t id, QRect bounds) {
        X11StackedWindow w;
        w.window = id;
        w.processID = 100 + id;
        w.bounds = bounds;
        return w;
    };
    const QRect big(0, 0, 800, 600), small(100, 100, 200, 200);
    X11StackedWindow transparent = window(7, big), menu = window(8, big), desktop = window(9, big),
                     nameless = window(10, small), vanished = window(11, big);
    transparent.alpha = 0;
    menu.layer = 1;
    desktop.layer = -1;
    nameless.processID.reset();
    vanished.bounds.reset();
    X11StackedWindow translucent = window(12, big);
    translucent.alpha = 0.5;
    const QPoint inside(150, 150), outside(700, 500), edge(300, 150);
    const struct {
        const char* name;
        std::vector<X11StackedWindow> windows;
        QPoint point;
        std::vector<std::uint32_t> own;
        std::optional<ScrollTarget> target;
    } cases[] = {
        {"empty list", {}, inside, {}, std::nullopt},
        {"only ours", {window(1, big)}, inside, {1}, std::nullopt},
        {"front of two", {window(2, small), window(3, big)}, inside, {}, ScrollTarget{2, 102}},
        {"behind ours", {window(2, small), window(3, big)}, inside, {2}, ScrollTarget{3, 103}},
        {"outside the front one", {window(2, small), window(3, big)}, outside, {}, ScrollTarget{3, 103}},
        {"max edge is outside", {window(2, small), window(3, big)}, edge, {}, ScrollTarget{3, 103}},
        {"alpha 0, menu layer, desktop and vanished are skipped",
         {transparent, menu, desktop, vanished, window(3, big)},
         inside,
         {},
         ScrollTarget{3, 103}},
        {"translucent counts", {translucent}, inside, {}, ScrollTarget{12, 112}},
        {"no process named", {nameless}, inside, {}, ScrollTarget{10, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SystemScrollTargetProbe::topmost(c.windows, c.point, c.own), c.target) << c.name;
}

TEST(WheelClickDistance, StepsBecomeWholeWheelClicks) {
    const struct {
        std::int32_t delta;
        int clicks;
    } cases[] = {{0, 0}, {-1, -1}, {10, 1}, {-48, -1}, {-72, -2}, {71, 1}, {-250, -5}, {2000, 42}};
    for (const auto& c : cases)
        EXPECT_EQ(WheelClickDistance::wholeClicks(c.delta, 48), c.clicks) << c.delta;
}

} // namespace
} // namespace quorvane
