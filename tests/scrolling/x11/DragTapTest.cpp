#include "platform/X11CaptureReply.h"
#include "platform/X11InputConnection.h"
#include "platform/X11PointerTap.h"
#include "platform/X11ScrollInjector.h"
#include "platform/X11StepPointer.h"
#include "scrolling/SystemDragEventTap.h"
#include "scrolling/SystemScrollInjector.h"
#include "scrolling/x11/WheelPageWindow.h"
#include "support/PointerGrab.h"
#include "support/Xdotool.h"

#include <csignal>
#include <gtest/gtest.h>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xinput.h>

namespace quorvane {
namespace {

using test::pointerFree;
using test::waitUntil;
using test::WheelPageWindow;
using Event = DragScrollEvent;

std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connectX() {
    return {xcb_connect(nullptr, nullptr), &xcb_disconnect};
}

struct Tap {
    std::unique_ptr<X11InputConnection> connection = X11InputConnection::open();
    X11PointerTap x11Tap{*connection};
    SystemDragEventTap tap{x11Tap};
    std::vector<Event> events;

    bool start() {
        return tap.start([this](const Event& event) { events.push_back(event); });
    }
    bool await(std::size_t count) {
        return waitUntil([&] { return events.size() >= count; }, 3000);
    }
    std::vector<Event::Kind> kinds() const {
        std::vector<Event::Kind> result;
        for (const Event& event : events)
            if (result.empty() || result.back() != event.kind || event.kind != Event::Kind::drag)
                result.push_back(event.kind);
        return result;
    }
};

TEST(DragTap, TakesTheDragAwayFromTheWindowUnderneathUntilStoppedAndItsButtonIsUp) {
    WheelPageWindow page;
    ASSERT_TRUE(page.showAt(QPoint(200, 150)));
    ASSERT_EQ(test::xdotool("mousemove 300 250"), 0);
    Tap tap;
    ASSERT_TRUE(tap.start());
    ASSERT_EQ(test::xdotool("mousedown 1"), 0);
    ASSERT_EQ(test::xdotool("mousemove_relative 40 30"), 0);
    ASSERT_EQ(test::xdotool("mouseup 1"), 0);
    ASSERT_TRUE(tap.await(3));
    test::pause(150);
    EXPECT_EQ(tap.kinds(), (std::vector{Event::Kind::down, Event::Kind::drag, Event::Kind::up}));
    EXPECT_EQ(tap.events.front(), Event::down({300, 250}));
    EXPECT_EQ(tap.events.back(), Event::up({340, 280}));
    EXPECT_EQ(page.leftButtonEvents, 0);

    // Right click and Escape cancel and are taken; other keys reach the focused window.
    ASSERT_EQ(test::xdotool("windowfocus --sync " + QString::number(page.winId())), 0);
    tap.events.clear();
    ASSERT_EQ(test::xdotool("click 3"), 0);
    ASSERT_EQ(test::xdotool("key Escape"), 0);
    ASSERT_EQ(test::xdotool("key shift+Escape"), 0);
    ASSERT_EQ(test::xdotool("key a"), 0);
    ASSERT_TRUE(tap.await(3));
    ASSERT_TRUE(waitUntil([&] { return page.keys == 1; })) << "the letter went through";
    EXPECT_EQ(tap.events, (std::vector{Event::cancel(), Event::cancel(), Event::cancel()}));
    EXPECT_EQ(page.rightButtonEvents, 0);

    // Stopped mid-press, the grab lasts until the taken button is up; then everything passes and
    // nothing is delivered.
    tap.events.clear();
    ASSERT_EQ(test::xdotool("mousedown 1"), 0);
    ASSERT_TRUE(tap.await(1));
    tap.tap.stop();
    EXPECT_TRUE(tap.x11Tap.grabbing()) << "the press was ours, so is its release";
    ASSERT_EQ(test::xdotool("mouseup 1"), 0);
    ASSERT_TRUE(waitUntil([&] { return !tap.x11Tap.grabbing(); }));
    EXPECT_TRUE(pointerFree());
    ASSERT_EQ(test::xdotool("click 1"), 0);
    ASSERT_EQ(test::xdotool("key Escape"), 0);
    EXPECT_TRUE(waitUntil([&] { return page.leftButtonEvents == 2 && page.keys == 2; }));
    test::pause(150);
    EXPECT_EQ(page.leftButtonEvents, 2) << "only the later click, never a lone release";
    EXPECT_EQ(tap.events.size(), 1u) << "nothing delivered after stop()";
}

TEST(DragTap, RefusesWhileAnotherClientHoldsThePointerButStillSeesEscapeHeldByIt) {
    auto otherInput = X11InputConnection::open();
    X11PointerTap otherTap(*otherInput);
    ASSERT_TRUE(otherTap.start([](const PointerTapEvent&) {}));
    Tap tap;
    EXPECT_FALSE(tap.start());
    EXPECT_FALSE(tap.x11Tap.grabbing());
    otherTap.stop();
    ASSERT_TRUE(tap.start());
    ASSERT_TRUE(tap.x11Tap.escapeGrabbed());

    // Another client holds Escape in every modifier state.
    const auto other = connectX();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other.get())).data->root;
    tap.tap.stop();
    QString keycode;
    ASSERT_EQ(
        test::x11Server().run("sh", {"-c", "xmodmap -pke | awk '/= Escape/ {print $2; exit}'"}, &keycode), 0);
    X11Reply<xcb_generic_error_t> error(xcb_request_check(
        other.get(), xcb_grab_key_checked(other.get(), 0, root, XCB_MOD_MASK_ANY,
                                          static_cast<xcb_keycode_t>(keycode.trimmed().toInt()),
                                          XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)));
    ASSERT_FALSE(error);

    ASSERT_TRUE(tap.start()) << "the pointer alone makes the tap";
    EXPECT_FALSE(tap.x11Tap.escapeGrabbed());
    ASSERT_EQ(test::xdotool("key Escape"), 0);
    ASSERT_TRUE(tap.await(1));
    EXPECT_EQ(tap.events, std::vector{Event::cancel()});
}

void killChild(pid_t child) {
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

// A child process that takes something of the X server's (`take` answers whether it could) and
// then waits to be killed; -1 when it could not.
pid_t childHolding(const std::function<bool()>& take) {
    int ready[2];
    if (::pipe(ready) != 0) return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        // Only xcb and our own objects here: the child never runs an event loop.
        const char answer = take() ? '1' : '0';
        [[maybe_unused]] const auto written = ::write(ready[1], &answer, 1);
        for (;;)
            ::pause();
    }
    char answer = 0;
    const bool held = child > 0 && ::read(ready[0], &answer, 1) == 1 && answer == '1';
    ::close(ready[0]);
    ::close(ready[1]);
    if (!held && child > 0) killChild(child);
    return held ? child : -1;
}

// Our step pointers (master pointers named after their process) that the server knows now.
int stepPointers() {
    const auto c = connectX();
    X11Reply<xcb_input_xi_query_version_reply_t> version(
        xcb_input_xi_query_version_reply(c.get(), xcb_input_xi_query_version(c.get(), 2, 2), nullptr));
    X11Reply<xcb_input_xi_query_device_reply_t> devices(xcb_input_xi_query_device_reply(
        c.get(), xcb_input_xi_query_device(c.get(), XCB_INPUT_DEVICE_ALL_MASTER), nullptr));
    int count = 0;
    for (auto d = xcb_input_xi_query_device_infos_iterator(devices.get()); d.rem > 0;
         xcb_input_xi_device_info_next(&d))
        if (d.data->type == XCB_INPUT_DEVICE_TYPE_MASTER_POINTER &&
            std::string_view(xcb_input_xi_device_info_name(d.data),
                             static_cast<std::size_t>(xcb_input_xi_device_info_name_length(d.data)))
                .starts_with("quorvane-step-"))
            ++count;
    return count;
}

TEST(DragTap, TheGrabAndStepPointersDoNotOutliveTheirProcess) {
    pid_t child = childHolding([] {
        static auto connection = X11InputConnection::open();
        static X11PointerTap tap(*connection);
        return connection && tap.start([](const PointerTapEvent&) {});
    });
    ASSERT_GT(child, 0);
    EXPECT_FALSE(pointerFree()) << "the child holds the pointer";
    killChild(child);
    EXPECT_TRUE(waitUntil(pointerFree, 2000)) << "the grab died with the process";

    child = childHolding([] {
        static auto pointer = X11StepPointer::create();
        return pointer != nullptr;
    });
    ASSERT_GT(child, 0);
    killChild(child);
    EXPECT_EQ(stepPointers(), 1) << "left behind by the killed process";
    {
        const auto pointer = X11StepPointer::create();
        ASSERT_TRUE(pointer);
        EXPECT_EQ(stepPointers(), 1) << "the stale one went, ours came";
    }
    EXPECT_EQ(stepPointers(), 0);
}

TEST(DragTap, EdgeStepsReachTheWindowUnderTheRegionPastTheGrab) {
    WheelPageWindow page;
    ASSERT_TRUE(page.showAt(QPoint(200, 150)));
    Tap tap;
    X11ScrollInjector x11Injector(*tap.connection);
    SystemScrollInjector injector(x11Injector);
    ASSERT_EQ(test::xdotool("mousemove 300 250"), 0);
    ASSERT_TRUE(tap.start());
    ASSERT_EQ(test::xdotool("mousedown 1"), 0);
    ASSERT_EQ(test::xdotool("mousemove_relative 0 828"), 0);
    ASSERT_TRUE(waitUntil([&] { return !tap.events.empty() && tap.events.back().point.y() == 1078; }));

    ASSERT_TRUE(injector.post(-2, QRectF(page.geometry()).center()));
    EXPECT_TRUE(waitUntil([&] { return page.offset == 2 * WheelPageWindow::rowsPerClick; }))
        << page.offset << " wheel " << page.wheelEvents;
    EXPECT_TRUE(tap.x11Tap.grabbing());
    EXPECT_EQ(*x11Injector.pointerPosition(), QPoint(300, 1078)) << "the pointer is back where it was";

    // The drag goes on being ours.
    tap.events.clear();
    ASSERT_EQ(test::xdotool("mouseup 1"), 0);
    ASSERT_TRUE(tap.await(1));
    EXPECT_EQ(tap.events.back(), Event::up({300, 1078}));
    tap.tap.stop();
    test::pause(150);
    EXPECT_EQ(page.leftButtonEvents, 0);
    EXPECT_TRUE(waitUntil([] { return stepPointers() == 0; })) << "the step pointer goes once steps stop";
}

} // namespace
} // namespace quorvane
