#include "ShellTesting.h"
#include "app/CaptureCommands.h"
#include "app/HotKeyCenter.h"
#include "app/HotKeyRegistration.h"
#include "platform/HotKeyGrabber.h"

#include <set>

namespace quorvane {
namespace {

using test::ShellRig;

// Keys "grabbed" without a server; a key whose code is in `refusedKeycodes` is refused as taken.
struct FakeHotKeyGrabber : HotKeyGrabber {
    bool installHandler(std::function<void(std::uint32_t)> onPressed) override {
        press = std::move(onPressed);
        return true;
    }
    void removeHandler() override { press = nullptr; }
    Result<void, Refusal> grab(std::uint32_t id, std::uint32_t, std::uint32_t) override {
        if (refusedKeycodes.contains(id & 0xff)) return Failure{Refusal{}};
        grabbed.insert(id);
        return {};
    }
    void ungrab(std::uint32_t id) override { grabbed.erase(id); }

    std::function<void(std::uint32_t)> press;
    std::set<std::uint32_t> grabbed, refusedKeycodes;
};

struct DispatchRig : ShellRig {
    FakeHotKeyGrabber grabber;
    HotKeyCenter center{grabber};
    HotKeyRegistration registration{center, exports.preferences};

    DispatchRig() {
        QObject::connect(&center, &HotKeyCenter::triggered,
                         [this](HotKeyAction action) { commands->handleHotKey(action); });
    }
    std::size_t appLines() const { return log.lines().size(); }
};

TEST(HotKeyDispatch, KeysDuringACaptureDoNothingAndRepeatWithoutAnAreaOnlyLogs) {
    DispatchRig rig;
    rig.capture.service.holdImages = true;
    rig.commands->captureScreen();
    ASSERT_TRUE(rig.controller().isBusy());
    const std::size_t before = rig.appLines();
    rig.commands->handleHotKey(HotKeyAction::captureArea);
    rig.commands->handleHotKey(HotKeyAction::captureScreen);
    EXPECT_EQ(rig.appLines(), before);
    EXPECT_FALSE(rig.capture.overlay.isOpen());
    rig.controller().cancel();
    ASSERT_TRUE(rig.capture.settle());

    rig.exports.preferences.setPostCaptureAction(PostCaptureAction::openEditor);
    ASSERT_FALSE(rig.controller().canRepeatArea());
    const std::size_t ready = rig.appLines();
    const int shown = rig.editorShown;
    rig.commands->handleHotKey(HotKeyAction::repeatArea);
    const auto lines = rig.log.lines();
    ASSERT_EQ(lines.size(), ready + 1);
    EXPECT_EQ(lines.back(), "Hotkey triggered: repeatArea");
    EXPECT_FALSE(rig.controller().isBusy());
    EXPECT_EQ(rig.editorShown, shown);
}

TEST(HotKeyDispatch, APressedKeyStartsItsCommandAndRecordersSuspendTheKeysUntilTheLastStops) {
    DispatchRig rig;
    rig.registration.registerHotKeys(HotKeyCenter::defaultBindings());
    EXPECT_EQ(rig.grabber.grabbed.size(), 5u);
    ASSERT_TRUE(rig.grabber.press);
    rig.grabber.press(rig.center.id(HotKeyAction::captureArea));
    EXPECT_TRUE(rig.logged("Hotkey triggered: captureArea"));
    EXPECT_TRUE(rig.capture.pickerOpen());
    rig.controller().cancel();
    ASSERT_TRUE(rig.capture.settle());

    rig.registration.hotKeyRecording(true);
    rig.registration.hotKeyRecording(true);
    EXPECT_TRUE(rig.grabber.grabbed.empty());
    // A stored change during a recording must not grab the combination being recorded.
    rig.registration.reregister(HotKeyCenter::defaultBindings());
    EXPECT_TRUE(rig.grabber.grabbed.empty());
    rig.registration.hotKeyRecording(false);
    EXPECT_TRUE(rig.grabber.grabbed.empty());
    rig.registration.hotKeyRecording(false);
    EXPECT_EQ(rig.grabber.grabbed.size(), rig.exports.preferences.hotKeys().size());
    // One stop too many changes nothing.
    rig.registration.hotKeyRecording(false);
    EXPECT_EQ(rig.registration.activeRecorders(), 0);
    EXPECT_EQ(rig.grabber.grabbed.size(), rig.exports.preferences.hotKeys().size());
}

TEST(HotKeyDispatch, ATakenKeyIsReportedInThePreferencesAndTheLog) {
    DispatchRig rig;
    rig.grabber.refusedKeycodes = {static_cast<std::uint32_t>(position(HotKeyAction::captureArea) + 1)};
    int registrations = 0;
    QObject::connect(&rig.registration, &HotKeyRegistration::registered, [&] { ++registrations; });
    rig.registration.registerHotKeys(HotKeyCenter::defaultBindings());
    EXPECT_EQ(registrations, 1);
    ASSERT_TRUE(rig.exports.preferences.hotKeyErrors().contains(HotKeyAction::captureArea));
    EXPECT_EQ(rig.exports.preferences.hotKeyErrors().size(), 1u);
    EXPECT_TRUE(rig.logged("Hotkey registration failed: captureArea conflict"));
}

} // namespace
} // namespace quorvane
