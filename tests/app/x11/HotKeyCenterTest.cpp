#include "app/HotKeyCenter.h"

#include "app/Log.h"
#include "support/XvfbServer.h"

#include <QCoreApplication>
#include <QThread>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

namespace quorvane {
namespace {

using namespace std::chrono_literals;
using Error = HotKeyRegistrationError;

// Xvfb's default keymap: Alt on Mod1, Super on Mod4; keycode 12 is 3, 13 is 4.
constexpr std::uint16_t controlAltSuper = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

bool waitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 500 && !done(); ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    return done();
}

void key(const char* combination) {
    ASSERT_EQ(test::x11Server().run(QStringLiteral("xdotool"),
                                    {QStringLiteral("key"), QString::fromLatin1(combination)}),
              0);
}

// Another X client, for grabs that are not ours.
struct OtherClient {
    xcb_connection_t* connection = xcb_connect(test::x11Server().display().toLatin1().constData(), nullptr);
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;

    ~OtherClient() { xcb_disconnect(connection); }
    // The X error code, 0 when the grab succeeded.
    int grab(std::uint8_t keycode, std::uint16_t modifiers) {
        xcb_generic_error_t* error =
            xcb_request_check(connection, xcb_grab_key_checked(connection, 0, root, modifiers, keycode,
                                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        const int code = error != nullptr ? error->error_code : 0;
        std::free(error);
        return code;
    }
};

struct Recorder {
    std::vector<HotKeyAction> triggered;
    void attach(HotKeyCenter& center) {
        center.onTrigger = [this](HotKeyAction action) { triggered.push_back(action); };
    }
    // Presses a combination and waits until one more action came in.
    std::optional<HotKeyAction> press(const char* combination) {
        const std::size_t before = triggered.size();
        key(combination);
        if (!waitFor([&] { return triggered.size() > before; })) return std::nullopt;
        return triggered.back();
    }
};

TEST(HotKeyCenterX11, DefaultsFireWithCapsLockAndNumLockInAnyState) {
    HotKeyCenter center;
    Recorder recorder;
    recorder.attach(center);
    ASSERT_TRUE(center.registerBindings(HotKeyCenter::defaultBindings()).empty());
    EXPECT_EQ(recorder.press("ctrl+alt+super+3"), HotKeyAction::captureScreen);
    EXPECT_EQ(recorder.press("ctrl+alt+super+r"), HotKeyAction::repeatArea);
    EXPECT_EQ(recorder.press("ctrl+alt+super+o"), HotKeyAction::recognizeArea);
    EXPECT_EQ(recorder.press("ctrl+alt+super+l"), HotKeyAction::scrollingCapture);
    for (const char* lock : {"", "Caps_Lock", "Num_Lock", "Caps_Lock"}) {
        if (*lock != '\0') key(lock);
        // A combination we do not hold goes by unnoticed: the next press is the one recorded.
        key("ctrl+alt+4");
        EXPECT_EQ(recorder.press("ctrl+alt+super+4"), HotKeyAction::captureArea) << lock;
    }
    EXPECT_EQ(recorder.triggered.size(), 8u);
}

TEST(HotKeyCenterX11, ACombinationHeldByAnotherClientIsAConflict) {
    OtherClient other;
    ASSERT_EQ(other.grab(12, controlAltSuper), 0);
    const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count();
    HotKeyCenter center;
    Recorder recorder;
    recorder.attach(center);
    EXPECT_EQ(center.registerBindings(HotKeyCenter::defaultBindings()),
              (HotKeyCenter::Errors{{HotKeyAction::captureScreen, Error::conflict}}));
    const auto entries = Log::store().read(since, ::getpid());
    ASSERT_TRUE(entries.ok());
    ASSERT_FALSE(entries->empty());
    EXPECT_EQ(entries->back().message, "Hotkey captureScreen unavailable (10)");
    EXPECT_EQ(entries->back().category, "app");
    EXPECT_EQ(entries->back().level, LogLevel::info);
    // The lock variants that did succeed were let go again.
    OtherClient third;
    EXPECT_EQ(third.grab(12, controlAltSuper | XCB_MOD_MASK_LOCK), 0);
    EXPECT_EQ(third.grab(12, controlAltSuper | XCB_MOD_MASK_2), 0);
    // The other four keys work.
    EXPECT_EQ(recorder.press("ctrl+alt+super+4"), HotKeyAction::captureArea);
}

TEST(HotKeyCenterX11, SharedBindingsInvalidKeysAndIds) {
    HotKeyCenter first;
    HotKeyCenter second;
    Recorder recorder;
    recorder.attach(first);
    const HotKeyBinding f5{96, 0};
    EXPECT_EQ(first.registerBindings({{HotKeyAction::captureArea, f5},
                                      {HotKeyAction::captureScreen, f5},
                                      {HotKeyAction::repeatArea, {15, HotKeyModifier::shift}},
                                      {HotKeyAction::recognizeArea, {31, 0x1900}}}),
              (HotKeyCenter::Errors{{HotKeyAction::captureScreen, Error::conflict},
                                    {HotKeyAction::repeatArea, Error::invalid}}));
    EXPECT_EQ(recorder.press("F5"), HotKeyAction::captureArea);

    for (HotKeyAction action : allHotKeyActions) {
        EXPECT_EQ(first.id(action), 257 + position(action));
        EXPECT_EQ(second.id(action), 513 + position(action));
    }
    EXPECT_TRUE(first.handle(257));
    EXPECT_TRUE(first.handle(260));
    EXPECT_FALSE(first.handle(258)); // refused, so not registered
    EXPECT_FALSE(second.handle(257));
    EXPECT_EQ(recorder.triggered.back(), HotKeyAction::recognizeArea);

    // Our own centers cannot take a key from each other either.
    Recorder secondRecorder;
    secondRecorder.attach(second);
    EXPECT_EQ(second.registerBindings({{HotKeyAction::scrollingCapture, f5}}),
              (HotKeyCenter::Errors{{HotKeyAction::scrollingCapture, Error::conflict}}));
    first.unregisterAll();
    EXPECT_TRUE(second.registerBindings({{HotKeyAction::scrollingCapture, f5}}).empty());
    EXPECT_EQ(secondRecorder.press("F5"), HotKeyAction::scrollingCapture);
}

TEST(HotKeyCenterX11, UnregisteringAndDestructionLetTheKeysGo) {
    auto center = std::make_unique<HotKeyCenter>();
    ASSERT_TRUE(center->registerBindings(HotKeyCenter::defaultBindings()).empty());
    OtherClient other;
    EXPECT_EQ(other.grab(13, controlAltSuper), XCB_ACCESS);
    // Re-registering the same keys replaces them without a clash with itself.
    EXPECT_TRUE(center->registerBindings(HotKeyCenter::defaultBindings()).empty());
    center->unregisterAll();
    EXPECT_EQ(other.grab(13, controlAltSuper), 0);
    EXPECT_TRUE(center->registerBindings({{HotKeyAction::captureScreen, {20, 0x1900}}}).empty());
    EXPECT_EQ(other.grab(12, controlAltSuper), XCB_ACCESS);
    center.reset();
    EXPECT_EQ(other.grab(12, controlAltSuper), 0);
}

TEST(HotKeyCenterX11, AHeldCombinationFiresOnce) {
    HotKeyCenter center;
    Recorder recorder;
    recorder.attach(center);
    ASSERT_TRUE(center.registerBindings(HotKeyCenter::defaultBindings()).empty());
    auto& server = test::x11Server();
    ASSERT_EQ(server.run("xset", {"r", "rate", "200", "40"}), 0);
    ASSERT_EQ(server.run("xdotool", {"keydown", "ctrl+alt+super+l"}), 0);
    ASSERT_TRUE(waitFor([&] { return !recorder.triggered.empty(); }));
    // Long enough for the server's autorepeat (660 ms delay, then 25 per second) to run.
    const auto until = std::chrono::steady_clock::now() + 1500ms;
    while (std::chrono::steady_clock::now() < until) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    ASSERT_EQ(server.run("xdotool", {"keyup", "ctrl+alt+super+l"}), 0);
    EXPECT_EQ(recorder.press("ctrl+alt+super+l"), HotKeyAction::scrollingCapture);
    EXPECT_EQ(recorder.triggered.size(), 2u);
}

} // namespace
} // namespace quorvane
