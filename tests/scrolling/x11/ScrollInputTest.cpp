#include "platform/X11InputConnection.h"
#include "platform/X11InputMonitor.h"
#include "platform/X11ScrollInjector.h"
#include "scrolling/SystemInputMonitor.h"
#include "scrolling/SystemKeyMonitor.h"
#include "scrolling/SystemScrollInjector.h"
#include "scrolling/SystemScrollTargetProbe.h"
#include "scrolling/x11/WheelPageWindow.h"
#include "support/Xdotool.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::waitUntil;
using test::WheelPageWindow;

std::vector<AutoScrollStop> byUser(const char* reason) {
    return {AutoScrollStop::userInput(QString::fromUtf8(reason))};
}

// openbox for one test: the tests after it place their windows without one.
struct WindowManager {
    const bool started = test::x11Server().startWindowManager();
    ~WindowManager() { test::x11Server().stopWindowManager(); }
};

struct Input {
    std::unique_ptr<X11InputConnection> connection = X11InputConnection::open();
    std::vector<std::uint32_t> own;
    X11ScrollInjector x11Injector{*connection};
    X11InputMonitor x11Monitor{*connection, [this] { return own; }};
    SystemScrollInjector injector{x11Injector};
    SystemInputMonitor monitor{x11Monitor};
    SystemScrollTargetProbe probe{*connection, [this] { return own; }};
    std::vector<AutoScrollStop> stops;

    bool start(QPointF anchor) {
        return monitor.start(anchor, [this](const AutoScrollStop& stop, std::uint32_t) { stops.push_back(stop); });
    }
    // The reasons reported by the time the first one arrived, and a little after.
    std::vector<AutoScrollStop> awaitStops() {
        waitUntil([this] { return !stops.empty(); }, 3000);
        test::pause(150);
        return stops;
    }
};

TEST(ScrollInput, TheTargetIsTheFrontWindowThatIsNotOurs) {
    const WindowManager openbox;
    ASSERT_TRUE(openbox.started);
    Input input;
    WheelPageWindow back, front;
    ASSERT_TRUE(back.showAt(QPoint(100, 100)));
    ASSERT_TRUE(front.showAt(QPoint(250, 200)));
    front.raise();
    QGuiApplication::sync();
    const QPointF shared(QRectF(front.geometry()).topLeft() + QPointF(20, 20));
    const QPointF backOnly(QRectF(back.geometry()).topLeft() + QPointF(20, 20));
    const auto id = [](QWidget& w) { return static_cast<WindowID>(w.winId()); };
    ASSERT_TRUE(waitUntil([&] {
        const auto target = input.probe.target(shared);
        return target && target->windowID == id(front);
    })) << "the front window";
    EXPECT_EQ(input.probe.target(backOnly)->windowID, id(back));
    EXPECT_EQ(input.probe.target(shared)->processID, QCoreApplication::applicationPid());
    input.own = {id(front)};
    EXPECT_EQ(input.probe.target(shared)->windowID, id(back)) << "ours is looked through";
    EXPECT_FALSE(input.probe.target(QPointF(1900, 1070))) << "the bare desktop";

    // The target closes mid-run: the window behind it, or nothing, is found instead.
    input.own.clear();
    front.close();
    ASSERT_TRUE(waitUntil([&] { return input.probe.target(shared)->windowID == id(back); }));
    back.close();
    EXPECT_TRUE(waitUntil([&] { return !input.probe.target(shared); }));
    test::x11Server().stopWindowManager();
}

// xdotool's relative moves are what a mouse does: raw motion.
TEST(ScrollInput, PointerMovesBeyond24PointsEscapeAndModifiersStopARunButCapsLockDoesNot) {
    Input input;
    ASSERT_EQ(test::xdotool("mousemove 600 500"), 0);
    test::pause(150);
    ASSERT_TRUE(input.start(QPointF(600, 500)));
    ASSERT_EQ(test::xdotool("mousemove_relative 24 0"), 0);
    test::pause(300);
    EXPECT_TRUE(input.stops.empty()) << "24 points is within the slack";
    ASSERT_EQ(test::xdotool("mousemove_relative 0 1"), 0);
    EXPECT_EQ(input.awaitStops(), byUser("the pointer moved"));
    // XTest's absolute moves make no raw motion; they are noticed all the same.
    input.stops.clear();
    ASSERT_TRUE(input.start(QPointF(624, 501)));
    ASSERT_EQ(test::xdotool("mousemove 700 501"), 0);
    EXPECT_EQ(input.awaitStops(), byUser("the pointer moved"));
    // Escape stops, Caps Lock does not; other modifiers do.
    input.stops.clear();
    ASSERT_TRUE(input.start(QPointF(700, 501)));
    ASSERT_EQ(test::xdotool("key Caps_Lock Caps_Lock"), 0);
    ASSERT_EQ(test::xdotool("key Escape"), 0);
    EXPECT_EQ(input.awaitStops(), std::vector{AutoScrollStop::of(AutoScrollStop::Kind::escape)});
    input.stops.clear();
    ASSERT_EQ(test::xdotool("key shift"), 0);
    EXPECT_EQ(input.awaitStops(), byUser("a modifier key was pressed"));
    input.monitor.stop();
    input.stops.clear();
    ASSERT_EQ(test::xdotool("mousemove_relative 200 200"), 0);
    test::pause(150);
    EXPECT_TRUE(input.stops.empty()) << "nothing after stop()";
}

TEST(ScrollInput, AFloodOfSmallMovesIsReadWithoutStoppingOrFallingBehind) {
    Input input;
    ASSERT_TRUE(input.injector.warpPointer(QPointF(800, 600)));
    ASSERT_TRUE(input.start(QPointF(800, 600)));
    // Thousands of raw events within a moment, none leaving the slack.
    const QStringList jiggle =
        QString("mousemove_relative -- 3 0 mousemove_relative -- -3 0 ").repeated(2500).trimmed().split(' ');
    ASSERT_EQ(test::x11Server().run("xdotool", jiggle, nullptr, 30000), 0);
    test::pause(300);
    EXPECT_TRUE(input.stops.empty());
    ASSERT_EQ(test::xdotool("click 1"), 0);
    EXPECT_EQ(input.awaitStops(), byUser("the mouse was clicked"));
}

TEST(ScrollInput, OurWheelClicksScrollTheWindowUnderThePointAndAnotherClientsScrollStops) {
    const WindowManager openbox;
    ASSERT_TRUE(openbox.started);
    Input input;
    ASSERT_TRUE(input.connection);
    ASSERT_TRUE(input.injector.trusted());
    WheelPageWindow page;
    ASSERT_TRUE(page.showAt(QPoint(200, 150)));
    const QPointF point = QRectF(page.geometry()).center();
    const auto landed = input.injector.warpPointer(point);
    ASSERT_TRUE(landed);
    EXPECT_LE(std::abs(landed->x() - point.x()) + std::abs(landed->y() - point.y()), 1.0);
    ASSERT_TRUE(input.start(point));
    // Two clicks down, then one up.
    ASSERT_TRUE(input.injector.post(-2, point));
    EXPECT_TRUE(waitUntil([&] { return page.offset == 2 * WheelPageWindow::rowsPerClick; })) << page.offset;
    ASSERT_TRUE(input.injector.post(1, point));
    EXPECT_TRUE(waitUntil([&] { return page.offset == WheelPageWindow::rowsPerClick; })) << page.offset;
    EXPECT_EQ(page.wheelEvents, 3);
    EXPECT_TRUE(input.stops.empty());
    ASSERT_EQ(test::xdotool("click 5"), 0);
    EXPECT_EQ(input.awaitStops(), byUser("the scroll wheel or trackpad was used"));
    test::x11Server().stopWindowManager();
}

TEST(ScrollInput, ClicksOnOurOwnWindowsAreNotTheUsersInput) {
    Input input;
    WheelPageWindow panel;
    ASSERT_TRUE(panel.showAt(QPoint(100, 100)));
    input.own = {static_cast<std::uint32_t>(panel.winId())};
    const QPointF onPanel = QRectF(panel.geometry()).center();
    ASSERT_TRUE(input.injector.warpPointer(onPanel));
    ASSERT_TRUE(input.start(onPanel));
    ASSERT_EQ(test::xdotool("click 1"), 0);
    EXPECT_TRUE(waitUntil([&] { return panel.leftButtonEvents == 2; })) << "the panel got its click";
    test::pause(150);
    EXPECT_TRUE(input.stops.empty());
}

TEST(ScrollInput, CaptureKeysAreSeenEverywhereAndTakenOnlyInOurWindows) {
    Input input;
    SystemKeyMonitor keys(input.x11Monitor);
    std::vector<ScrollKeyEvent> seen;
    keys.start([&](const ScrollKeyEvent& key) {
        seen.push_back(key);
        return key.key == Qt::Key_Return;
    });
    // The focus is nowhere of ours: the desktop's key.
    ASSERT_EQ(test::xdotool("key Escape"), 0);
    ASSERT_TRUE(waitUntil([&] { return !seen.empty(); }));
    const ScrollKeyEvent escape = seen.front();
    EXPECT_EQ(escape, (ScrollKeyEvent{Qt::Key_Escape, {}, false, escape.time}));
    EXPECT_NE(escape.time, 0u) << "the server's time of the press";

    WheelPageWindow window;
    ASSERT_TRUE(window.showAt(QPoint(200, 150)));
    window.activateWindow();
    ASSERT_TRUE(waitUntil([&] { return window.isActiveWindow(); }));
    input.own = {static_cast<std::uint32_t>(window.winId())};
    seen.clear();
    const QString typeInto = "key --window " + QString::number(window.winId());
    ASSERT_EQ(test::xdotool(typeInto + " Return"), 0);
    ASSERT_EQ(test::xdotool(typeInto + " a"), 0);
    ASSERT_TRUE(waitUntil([&] { return seen.size() >= 2; }));
    test::pause(150);
    ASSERT_EQ(seen.size(), 2u) << "reported once, not also as the desktop's";
    EXPECT_TRUE(seen[0].local);
    EXPECT_EQ(seen[0].key, Qt::Key_Return);
    EXPECT_EQ(window.keys, 1) << "Return was taken, the letter went on";
    keys.stop();
}

TEST(ScrollInput, RefusedTrustPromptsOnceAndThenOpensNothing) {
    const QWindowList before = QGuiApplication::topLevelWindows();
    Input input;
    int prompts = 0;
    SystemScrollInjector refused(input.x11Injector, [&] { ++prompts; });
    refused.trust = [] { return false; };
    EXPECT_FALSE(refused.trusted());
    EXPECT_FALSE(refused.post(-1, QPointF(10, 10))) << "no posting without trust";
    for (int i = 0; i < 3; ++i)
        refused.requestAccess();
    EXPECT_EQ(prompts, 1);
    EXPECT_TRUE(refused.prompted());
    // Windows of earlier tests may wait for their deletion; none is new.
    for (QWindow* window : QGuiApplication::topLevelWindows())
        EXPECT_TRUE(before.contains(window)) << "no settings page opened";
}

} // namespace
} // namespace quorvane
