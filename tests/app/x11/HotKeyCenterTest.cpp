#include "app/HotKeyCenter.h"

#include "app/KeyNames.h"
#include "app/ShortcutFormatter.h"
#include "app/TextFieldPaste.h"
#include "canvas/EditorCanvasSettings.h"
#include "core/Log.h"
#include "editor_window/ColorPalettePopover.h"
#include "platform/InputHold.h"
#include "platform/LogStore.h"
#include "platform/SystemClipboard.h"
#include "platform/X11HotKeyGrabber.h"
#include "platform/X11KeyboardLayout.h"
#include "support/ClipboardOffer.h"
#include "support/CountingBeeper.h"
#include "support/PointerGrab.h"
#include "support/TempDir.h"
#include "support/TestEnvironment.h"
#include "support/WaitUntil.h"
#include "support/Xdotool.h"
#include "support/XvfbServer.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

namespace quorvane {
namespace {

using Error = HotKeyRegistrationError;

// Xvfb's default keymap: Alt on Mod1, Super on Mod4; keycode 12 is 3, 13 is 4, 32 is O.
constexpr std::uint16_t controlAltSuper = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

using test::waitUntil;

void xdotool(const char* command, const char* keys) {
    EXPECT_EQ(test::xdotool(QString::fromLatin1(command) + ' ' + QString::fromLatin1(keys)), 0)
        << command << " " << keys;
}

// Another X client that grabs combinations; it lets go of every one when it goes, so that later
// tests find the keys free.
struct OtherClient {
    xcb_connection_t* connection = xcb_connect(test::x11Server().display().toLatin1().constData(), nullptr);
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;

    ~OtherClient() {
        xcb_ungrab_key(connection, XCB_GRAB_ANY, root, XCB_MOD_MASK_ANY);
        // A round trip: the server has let go before the next test asks.
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
        xcb_disconnect(connection);
    }
    // What it gets when it grabs a combination: 0 or the X error code.
    int grab(std::uint8_t keycode, std::uint16_t modifiers = controlAltSuper) {
        std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(
            xcb_request_check(connection, xcb_grab_key_checked(connection, 0, root, modifiers, keycode,
                                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)),
            &std::free);
        return error ? error->error_code : 0;
    }
};

// A center whose triggered actions are recorded.
struct Recorded {
    X11HotKeyGrabber grabber;
    std::unique_ptr<HotKeyCenter> center = std::make_unique<HotKeyCenter>(grabber);
    std::vector<HotKeyAction> triggered;

    Recorded() {
        QObject::connect(center.get(), &HotKeyCenter::triggered,
                         [this](HotKeyAction action) { triggered.push_back(action); });
    }
    // Presses a combination and waits until one more action came in.
    std::optional<HotKeyAction> press(const char* keys) {
        const std::size_t before = triggered.size();
        xdotool("key", keys);
        if (!waitUntil([&] { return triggered.size() > before; })) return std::nullopt;
        return triggered.back();
    }
};

// Each default fires once per press, with Caps Lock and Num Lock in any state, and once while held.
TEST(HotKeyCenterX11, DefaultsFireOncePerPressWithCapsLockAndNumLockInAnyState) {
    Recorded recorded;
    ASSERT_TRUE(recorded.center->registerBindings(HotKeyCenter::defaultBindings()).empty());
    for (const auto& [keys, action] : {std::pair{"ctrl+alt+super+3", HotKeyAction::captureScreen},
                                       {"ctrl+alt+super+r", HotKeyAction::repeatArea},
                                       {"ctrl+alt+super+o", HotKeyAction::recognizeArea}})
        EXPECT_EQ(recorded.press(keys), action) << keys;
    for (const char* lock : {"", "Caps_Lock", "Num_Lock", "Caps_Lock"}) {
        if (*lock != '\0') xdotool("key", lock);
        // A combination we do not hold goes by unnoticed: the next press is the one recorded.
        xdotool("key", "ctrl+alt+4");
        EXPECT_EQ(recorded.press("ctrl+alt+super+4"), HotKeyAction::captureArea) << lock;
    }
    ASSERT_EQ(test::x11Server().run("xset", {"r", "rate", "200", "40"}), 0);
    xdotool("keydown", "ctrl+alt+super+l");
    // Long enough for the server's autorepeat to run many times.
    waitUntil([] { return false; }, 1500);
    xdotool("keyup", "ctrl+alt+super+l");
    EXPECT_EQ(recorded.press("ctrl+alt+super+l"), HotKeyAction::scrollingCapture);
    EXPECT_EQ(recorded.triggered.size(), 9u);
}

// A popup of ours holds the keyboard while it is open (the colour popover, a menu): the server
// then starts no grab of ours and hands the combination to the popup, and it still fires.
TEST(HotKeyCenterX11, KeysFireWhileAPopupOfOursHoldsTheKeyboard) {
    Recorded recorded;
    ASSERT_TRUE(recorded.center->registerBindings(HotKeyCenter::defaultBindings()).empty());
    QWidget window;
    window.setGeometry(100, 100, 240, 60);
    window.show();
    ASSERT_TRUE(waitUntil([&] { return window.windowHandle()->isExposed(); }));
    EditorCanvasSettings settings;
    QPointer<ColorPalettePopover> popover = new ColorPalettePopover(settings, &window);
    QMenu menu;
    menu.addAction(QStringLiteral("Item"));
    const std::vector<std::pair<const char*, std::function<QWidget*()>>> popups = {
        {"the colour popover",
         [&]() -> QWidget* {
             popover->showBelow(&window, ColorPalettePopover::Focus::onCurrent);
             return popover;
         }},
        {"a menu",
         [&]() -> QWidget* {
             menu.popup(QPoint(120, 200));
             return &menu;
         }},
    };
    for (const auto& [name, open] : popups) {
        QWidget* popup = open();
        ASSERT_TRUE(waitUntil([&] { return popup->windowHandle()->isExposed() && !test::keyboardFree(); }))
            << name;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(recorded.press("ctrl+alt+super+4"), HotKeyAction::captureArea) << name << " " << i;
        popup->close();
    }
    EXPECT_EQ(recorded.triggered.size(), 6u);
}

// A combination still held down once it fired leaves the keyboard free for what it opened (the
// area picker grabs it), and its release is heard wherever it goes: pressed again at once, it
// fires again.
TEST(HotKeyCenterX11, AHeldCombinationLeavesTheKeyboardFreeAndItsReleaseIsHeard) {
    Recorded recorded;
    ASSERT_TRUE(recorded.center->registerBindings(HotKeyCenter::defaultBindings()).empty());
    xdotool("keydown", "ctrl+alt+super+4");
    ASSERT_TRUE(waitUntil([&] { return recorded.triggered.size() == 1; }));
    // The test's own grab, let go with its connection.
    EXPECT_TRUE(test::keyboardFree());
    xdotool("keyup", "ctrl+alt+super+4");
    EXPECT_EQ(recorded.press("ctrl+alt+super+4"), HotKeyAction::captureArea);
    EXPECT_EQ(recorded.triggered.size(), 2u);
}

// A hot key pressed while a paste waits for its holder acts at once; the keys typed around it wait
// for the paste and land after its text, in the order they came.
TEST(HotKeyCenterX11, AHotKeyActsAtOnceWhileAPasteWaitsAndTheKeysAroundItKeepTheirOrder) {
    Recorded recorded;
    ASSERT_TRUE(recorded.center->registerBindings(HotKeyCenter::defaultBindings()).empty());
    SystemClipboard clipboard(*QGuiApplication::clipboard());
    InputHold input;
    test::CountingBeeper bell;
    TextFieldPaste paste(clipboard, input, bell);
    paste.watchApplication();
    QWidget window;
    auto* line = new QLineEdit(&window);
    (new QVBoxLayout(&window))->addWidget(line);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(waitUntil([&] { return window.isActiveWindow(); }));
    line->setFocus();
    ASSERT_TRUE(waitUntil([&] { return line->hasFocus(); }));
    bool whileThePasteWaited = false;
    QObject::connect(recorded.center.get(), &HotKeyCenter::triggered,
                     [&] { whileThePasteWaited = input.holds(window.windowHandle()); });
    test::TempDir folder;
    const QString path = QString::fromStdString((folder / "offered").string());
    QFile offered(path);
    ASSERT_TRUE(offered.open(QIODevice::WriteOnly) && offered.write("PASTED") == 6);
    offered.close();
    // Each piece a second after it is asked for.
    test::ClipboardOffer late(
        {"--type", "UTF8_STRING", "--file", path, "--incremental-above", "0", "--trickle", "1000"});
    ASSERT_TRUE(late.ready());
    xdotool("type", "typ");
    ASSERT_TRUE(waitUntil([&] { return line->text() == QStringLiteral("typ"); }));
    // The hot key comes once the paste waits, between two keys.
    QTimer pressed;
    QObject::connect(&pressed, &QTimer::timeout, [&] {
        if (!input.holds(window.windowHandle())) return;
        pressed.stop();
        xdotool("key", "a ctrl+alt+super+3 b");
    });
    pressed.start(10);
    xdotool("key", "ctrl+v");
    ASSERT_TRUE(waitUntil([&] { return line->text().size() >= 11; }, 20000)) << line->text().toStdString();
    EXPECT_EQ(line->text(), QStringLiteral("typPASTEDab"));
    ASSERT_EQ(recorded.triggered, std::vector<HotKeyAction>{HotKeyAction::captureScreen});
    EXPECT_TRUE(whileThePasteWaited);
}

TEST(HotKeyCenterX11, AnotherClientsGrabIsAConflictAndOurKeysAreLetGo) {
    OtherClient other;
    ASSERT_EQ(other.grab(12), 0);
    const std::int64_t since = QDateTime::currentMSecsSinceEpoch();
    Recorded recorded;
    const HotKeyCenter::Errors conflict{{HotKeyAction::captureScreen, Error::conflict}};
    EXPECT_EQ(recorded.center->registerBindings(HotKeyCenter::defaultBindings()), conflict);
    const auto entries = test::logStore().read(since, ::getpid());
    ASSERT_TRUE(entries.ok() && !entries->empty());
    const LogEntry& logged = entries->back();
    EXPECT_EQ(logged, (LogEntry{logged.timeMs, ::getpid(), "app", LogLevel::info,
                                "Hotkey captureScreen unavailable (10: held by another program)"}));
    // The lock variants that did succeed were let go again; the other four keys work.
    EXPECT_EQ(other.grab(12, controlAltSuper | XCB_MOD_MASK_LOCK), 0);
    EXPECT_EQ(other.grab(12, controlAltSuper | XCB_MOD_MASK_2), 0);
    EXPECT_EQ(recorded.press("ctrl+alt+super+4"), HotKeyAction::captureArea);

    EXPECT_EQ(other.grab(13), XCB_ACCESS);
    // Registering again replaces our own keys without a clash with themselves.
    EXPECT_EQ(recorded.center->registerBindings(HotKeyCenter::defaultBindings()), conflict);
    recorded.center->unregisterAll();
    EXPECT_EQ(other.grab(13), 0);
    EXPECT_TRUE(recorded.center->registerBindings({{HotKeyAction::captureScreen, {31, 0x1900}}}).empty());
    EXPECT_EQ(other.grab(32), XCB_ACCESS);
    recorded.center.reset();
    EXPECT_EQ(other.grab(32), 0);
}

TEST(HotKeyCenterX11, SharedBindingsInvalidKeysAndIds) {
    Recorded first, second;
    const HotKeyBinding f5{96, 0};
    EXPECT_EQ(first.center->registerBindings({{HotKeyAction::captureArea, f5},
                                              {HotKeyAction::captureScreen, f5},
                                              {HotKeyAction::repeatArea, {15, HotKeyModifier::shift}},
                                              {HotKeyAction::recognizeArea, {31, 0x1900}}}),
              (HotKeyCenter::Errors{{HotKeyAction::captureScreen, Error::conflict},
                                    {HotKeyAction::repeatArea, Error::invalid}}));
    EXPECT_EQ(first.press("F5"), HotKeyAction::captureArea);
    // Ids are the instance number times 256 plus the position; instances count up in the process.
    const std::uint32_t base = first.center->id(HotKeyAction::captureArea) - 1;
    EXPECT_EQ(base % 256, 0u);
    EXPECT_EQ(second.center->id(HotKeyAction::scrollingCapture), base + 256 + 5);
    EXPECT_TRUE(first.center->handle(base + 4));
    EXPECT_FALSE(first.center->handle(base + 2)); // refused, so not registered
    EXPECT_FALSE(second.center->handle(base + 1));
    EXPECT_EQ(first.triggered.back(), HotKeyAction::recognizeArea);

    // Our own centers cannot take a key from each other either.
    const HotKeyCenter::Bindings scrollOnF5{{HotKeyAction::scrollingCapture, f5}};
    EXPECT_EQ(second.center->registerBindings(scrollOnF5),
              (HotKeyCenter::Errors{{HotKeyAction::scrollingCapture, Error::conflict}}));
    first.center->unregisterAll();
    EXPECT_TRUE(second.center->registerBindings(scrollOnF5).empty());
    EXPECT_EQ(second.press("F5"), HotKeyAction::scrollingCapture);
}

// Key names follow the layout the X server uses now, and its changes; Space types only a blank,
// which is no name.
TEST(KeyNamesX11, NamesComeFromTheCurrentLayout) {
    X11KeyboardLayout layout;
    const auto names = [&] {
        return QStringList{KeyNames::character(16, layout), KeyNames::character(6, layout),
                           KeyNames::character(41, layout), KeyNames::character(49, layout)};
    };
    EXPECT_EQ(names(), (QStringList{"Y", "Z", ";", "Key 49"}));
    ASSERT_EQ(test::x11Server().run("setxkbmap", {"de"}), 0);
    EXPECT_TRUE(waitUntil([&] {
        return names() == QStringList{"Z", "Y", "\u00D6", "Key 49"};
    })) << names().join(' ').toStdString();
    EXPECT_EQ(ShortcutFormatter::spoken({16, 0x1000}, layout), QStringLiteral("Control Z"));
    ASSERT_EQ(test::x11Server().run("setxkbmap", {"us"}), 0);
}

} // namespace
} // namespace quorvane
