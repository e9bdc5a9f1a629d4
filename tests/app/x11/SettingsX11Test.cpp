// The settings and support commands in the delegate on the real services of a private X server:
// a shortcut recorded from real key presses while the global keys step aside, and the login item
// switched from the status menu.

#include "app/AppDelegate.h"
#include "app/AppMenus.h"
#include "app/HotKeyRecorder.h"
#include "app/HotKeyRegistration.h"
#include "app/LaunchAtLogin.h"
#include "app/Preferences.h"
#include "app/ServiceFactory.h"
#include "app/Services.h"
#include "app/SettingsCommands.h"
#include "app/SettingsView.h"
#include "app/SettingsWindow.h"
#include "app/ShellTesting.h"
#include "app/ShortcutsSection.h"
#include "platform/AutostartLoginItem.h"
#include "support/PrivateConfig.h"
#include "support/TempDir.h"
#include "support/Xdotool.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenuBar>

namespace quorvane {
namespace {

// A program outside every temporary folder, wherever the checkout lives: the login item may be
// switched on for it, and its entry names a file that exists.
const QString installedProgram = QStringLiteral("/usr/bin/true");

struct DelegateRig {
    test::PrivateConfig config;
    std::unique_ptr<Services> services = ServiceFactory::make(installedProgram);
    test::LogLines log{"app"};
    AppDelegate delegate{*services};

    DelegateRig() {
        services->preferences().setHotKeys(HotKeyCenter::defaultBindings());
        delegate.start();
    }
    ~DelegateRig() {
        delegate.aboutToQuit();
    }
    SettingsWindow& openSettings() {
        delegate.menus().action(MenuCommand::showSettings)->trigger();
        SettingsWindow* window = delegate.settings().settingsWindow();
        EXPECT_NE(window, nullptr);
        EXPECT_TRUE(test::waitUntil([window] { return QApplication::activeWindow() == window; }));
        return *window;
    }
    HotKeyRecorder& recorder(HotKeyAction action) {
        const SettingsWindow* window = delegate.settings().settingsWindow();
        // Asked for only once the window is open: without it the test itself is wrong.
        if (window == nullptr) qFatal("The settings window is not open");
        return *window->view()->shortcuts()->recorder(action);
    }
    std::optional<HotKeyBinding> stored(HotKeyAction action) const {
        const auto& keys = services->preferences().hotKeys();
        const auto found = keys.find(action);
        return found == keys.end() ? std::nullopt : std::optional(found->second);
    }
};

TEST(SettingsX11, ARecordedShortcutIsTypedIntoTheRecorderAndThenWorksAsAGlobalHotKey) {
    DelegateRig rig;
    SettingsWindow& window = rig.openSettings();
    EXPECT_GT(window.menuBar()->actions().size(), 0);

    // While recording, the current shortcut reaches the recorder, not a capture.
    rig.recorder(HotKeyAction::captureArea).click();
    EXPECT_EQ(rig.delegate.hotKeyRegistration().activeRecorders(), 1);
    ASSERT_EQ(test::xdotool(QStringLiteral("key ctrl+alt+super+4")), 0);
    ASSERT_TRUE(test::waitUntil([&] { return !rig.recorder(HotKeyAction::captureArea).session().isRecording(); }));
    EXPECT_EQ(rig.log.count("Hotkey triggered: captureArea"), 0);
    ASSERT_EQ(test::xdotool(QStringLiteral("key ctrl+alt+super+5")), 0);

    rig.recorder(HotKeyAction::captureArea).click();
    ASSERT_EQ(test::xdotool(QStringLiteral("key ctrl+alt+super+5")), 0);
    ASSERT_TRUE(test::waitUntil([&] { return rig.stored(HotKeyAction::captureArea) == HotKeyBinding{23, 0x1900}; }));
    // The unbound keys pressed before were handled before the recorder took these: they did nothing.
    EXPECT_EQ(rig.log.count("Hotkey triggered: captureArea"), 0);
    EXPECT_EQ(rig.delegate.hotKeyRegistration().activeRecorders(), 0);
    ASSERT_EQ(test::xdotool(QStringLiteral("key ctrl+alt+super+5")), 0);
    ASSERT_TRUE(test::waitUntil([&] { return rig.log.count("Hotkey triggered: captureArea") == 1; }));
    rig.delegate.captureController().cancel();
    ASSERT_TRUE(test::waitUntil([&] { return !rig.delegate.captureController().isBusy(); }));

    // A screenshot combination is recorded, and refused only when it is registered.
    rig.openSettings();
    rig.recorder(HotKeyAction::captureArea).click();
    ASSERT_EQ(test::xdotool(QStringLiteral("key shift+super+4")), 0);
    ASSERT_TRUE(test::waitUntil([&] { return rig.stored(HotKeyAction::captureArea) == HotKeyBinding{21, 0x0300}; }));
    EXPECT_EQ(rig.services->preferences().hotKeyErrors().at(HotKeyAction::captureArea),
              QStringLiteral("Reserved for the desktop's screenshot shortcuts"));
    EXPECT_FALSE(window.view()->shortcuts()->errorRow(HotKeyAction::captureArea)->isHidden());

    // Closing the window while recording gives the keys back.
    rig.recorder(HotKeyAction::captureScreen).click();
    EXPECT_EQ(rig.delegate.hotKeyRegistration().activeRecorders(), 1);
    window.close();
    EXPECT_EQ(rig.delegate.hotKeyRegistration().activeRecorders(), 0);
    ASSERT_EQ(test::xdotool(QStringLiteral("key ctrl+alt+super+3")), 0);
    ASSERT_TRUE(test::waitUntil([&] { return rig.log.count("Hotkey triggered: captureScreen") == 1; }, 20000));
    ASSERT_TRUE(test::waitUntil([&] { return !rig.delegate.captureController().isBusy(); }, 20000));
}

TEST(SettingsX11, TheStatusMenusLaunchAtLoginItemSwitchesTheAutostartEntry) {
    DelegateRig rig;
    const QString entry = AutostartLoginItem::defaultFolder() + QStringLiteral("/com.quorvane.Quorvane.desktop");
    QAction* item = rig.delegate.menus().action(MenuCommand::toggleLaunchAtLogin);
    Q_EMIT rig.delegate.menus().statusMenu()->aboutToShow();
    ASSERT_TRUE(item->isEnabled()) << item->toolTip().toStdString();
    EXPECT_FALSE(item->isChecked());
    item->trigger();
    QFile written(entry);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll().contains(installedProgram.toUtf8()));
    EXPECT_TRUE(item->isChecked());
    EXPECT_EQ(rig.log.count("Launch at login enabled=true"), 1);
    // Changed behind its back, the item shows it when the menu next opens.
    QFile::remove(entry);
    Q_EMIT rig.delegate.menus().statusMenu()->aboutToShow();
    EXPECT_FALSE(item->isChecked());
    EXPECT_FALSE(rig.delegate.settings().launchAtLogin().isEnabled());
}

} // namespace
} // namespace quorvane
