#include "app/AppMenus.h"

#include "app/MenuBarKeyboardStyle.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>
#include <optional>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

struct MenuRig {
    bool busy = false, exportable = true, canRepeat = true, document = true, previous = true,
         lastExport = true, clipboardImage = true;
    MenuState::Scrolling scrolling = MenuState::Scrolling::none;
    bool loginEnabled = false;
    std::optional<QString> loginUnavailable;
    // What the focused canvas takes now.
    std::vector<MenuCommand> canvasTakes;
    std::vector<MenuCommand> ran;
    AppMenus menus{state(), [this](MenuCommand command) { ran.push_back(command); }};

    MenuState state() {
        const auto read = [](const bool& flag) { return [&flag] { return flag; }; };
        return MenuState{
            .busy = read(busy),
            .exportable = read(exportable),
            .canRepeatArea = read(canRepeat),
            .hasDocument = read(document),
            .hasPreviousDocument = read(previous),
            .hasLastExport = read(lastExport),
            .pinsOpen = [] { return false; },
            .clipboardHasImage = read(clipboardImage),
            .scrolling = [this] { return scrolling; },
            .launchAtLoginEnabled = read(loginEnabled),
            .launchAtLoginUnavailable = [this] { return loginUnavailable; },
            .canvasTakes =
                [this](MenuCommand command) {
                    return std::find(canvasTakes.begin(), canvasTakes.end(), command) != canvasTakes.end();
                },
            .textFieldTakes = [](MenuCommand) { return std::optional<bool>(); },
        };
    }
    bool enabled(MenuCommand command) const { return menus.action(command)->isEnabled(); }
    QString text(MenuCommand command) const { return menus.action(command)->text(); }
};

std::vector<QString> titles(const QMenu& menu) {
    std::vector<QString> all;
    for (QAction* action : menu.actions())
        all.push_back(action->isSeparator() ? QStringLiteral("-") : action->text());
    return all;
}

TEST(AppMenus, EveryWindowGetsTheSameMenusWithLinuxShortcuts) {
    MenuRig rig;
    QMenuBar bar;
    rig.menus.fill(bar);
    ASSERT_EQ(bar.actions().size(), 4);
    EXPECT_EQ(titles(*bar.actions()[0]->menu()),
              (std::vector<QString>{"About Quorvane", "-", "Settings…", "Export Diagnostics…", "-",
                                    "Hide Quorvane", "-", "Quit Quorvane"}));
    EXPECT_EQ(titles(*bar.actions()[1]->menu()),
              (std::vector<QString>{"Capture Screen", "Capture Window…", "Capture Area…", "Repeat Area",
                                    "Scrolling Capture", "Recognize Text in Area…", "-", "Save Image",
                                    "Save Image As…", "Choose Save Folder…", "Open Image…",
                                    "Reopen Last Export", "Restore Previous Document", "-", "Pin Screenshot",
                                    "Close All Pins", "-", "Reopen Editor", "Close Window"}));
    EXPECT_EQ(titles(*bar.actions()[2]->menu()),
              (std::vector<QString>{"Undo", "Redo", "-", "Copy", "Paste", "Select All", "Duplicate", "Delete",
                                    "-", "Redact Text…", "Resize Image…", "Backdrop…"}));
    EXPECT_EQ(titles(*bar.actions()[3]->menu()),
              (std::vector<QString>{"Minimize", "Zoom", "Recognized Text", "-", "Bring All to Front"}));
    for (const auto& [command, keys] : {std::pair{MenuCommand::showSettings, "Ctrl+,"},
                                        {MenuCommand::saveImageAs, "Ctrl+Shift+S"},
                                        {MenuCommand::resizeImage, "Ctrl+Alt+I"}})
        EXPECT_EQ(rig.menus.action(command)->shortcut().toString(), QString::fromLatin1(keys));
    EXPECT_EQ(
        titles(*rig.menus.statusMenu()),
        (std::vector<QString>{"Open Quorvane", "-", "Capture Area", "Capture Screen", "Capture Window…",
                              "Repeat Area", "Scrolling Capture", "Recognize Text/QR", "-", "Pin Screenshot",
                              "Close All Pins", "-", "Launch at Login", "Settings…", "-", "Quit Quorvane"}));
    rig.menus.statusMenu()->actions()[0]->trigger();
    rig.menus.statusAction(HotKeyAction::captureArea)->trigger();
    EXPECT_EQ(rig.ran, (std::vector<MenuCommand>{MenuCommand::showEditor, MenuCommand::captureArea}));
}

// Alt gives the menu bar the keyboard: the title it rests on shows before any menu opens.
TEST(AppMenus, TheTitleTheKeyboardRestsOnShows) {
    MenuRig rig;
    QWidget window;
    auto* bar = new QMenuBar(&window);
    rig.menus.fill(*bar);
    MenuBarKeyboardStyle::apply(*bar);
    bar->adjustSize();
    window.show();
    QApplication::setActiveWindow(&window);
    const QImage resting = bar->grab().toImage();
    for (const auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent alt(type, Qt::Key_Alt, type == QEvent::KeyPress ? Qt::AltModifier : Qt::NoModifier);
        QApplication::sendEvent(&window, &alt);
    }
    ASSERT_TRUE(bar->hasFocus()) << "Alt did not give the bar the keyboard";
    const QImage held = bar->grab().toImage();
    int changed = 0;
    for (int y = 0; y < held.height(); ++y)
        for (int x = 0; x < held.width(); ++x)
            changed += held.pixel(x, y) != resting.pixel(x, y);
    EXPECT_GT(changed, 100);
}

// The tray's Pin Screenshot shows no key, since Ctrl+Shift+P works only inside a window; the
// File menu's keeps it. Both pin and are enabled alike.
TEST(AppMenus, TheTraysPinItemShowsNoKeyAndFollowsTheFileMenusOne) {
    MenuRig rig;
    QAction* trayPin = nullptr;
    for (QAction* item : rig.menus.statusMenu()->actions())
        if (item->text() == QStringLiteral("Pin Screenshot")) trayPin = item;
    ASSERT_NE(trayPin, nullptr);
    EXPECT_TRUE(trayPin->shortcut().isEmpty()) << trayPin->shortcut().toString().toStdString();
    EXPECT_EQ(rig.menus.action(MenuCommand::pinScreenshot)->shortcut().toString(),
              QStringLiteral("Ctrl+Shift+P"));
    EXPECT_FALSE(rig.menus.statusMenu()->actions().contains(rig.menus.action(MenuCommand::pinScreenshot)));
    for (const bool exportable : {false, true}) {
        rig.exportable = exportable;
        Q_EMIT rig.menus.statusMenu()->aboutToShow();
        EXPECT_EQ(trayPin->isEnabled(), exportable);
    }
    trayPin->trigger();
    EXPECT_EQ(rig.ran, (std::vector<MenuCommand>{MenuCommand::pinScreenshot}));
}

TEST(AppMenus, DuringACaptureOnlyWhatCannotDisturbItStaysEnabled) {
    MenuRig rig;
    rig.busy = true;
    rig.exportable = false;
    rig.menus.validate();
    using enum MenuCommand;
    for (MenuCommand command :
         {captureScreen, chooseWindow, captureArea, repeatArea, scrollingCapture, recognizeTextInArea,
          saveImage, saveImageAs, chooseSaveFolder, openImage, reopenLastExport, restorePreviousDocument,
          resizeImage, editBackdrop, paste, pinScreenshot})
        EXPECT_FALSE(rig.enabled(command)) << int(command);
    EXPECT_FALSE(rig.menus.statusAction(HotKeyAction::captureScreen)->isEnabled());
    EXPECT_TRUE(rig.enabled(showSettings) && rig.enabled(quit));

    // A Redact Text review: the document is there but cannot be exported.
    rig.busy = false;
    rig.menus.validate();
    EXPECT_FALSE(rig.enabled(saveImage) || rig.enabled(saveImageAs) || rig.enabled(pinScreenshot));
    EXPECT_TRUE(rig.enabled(resizeImage));

    rig.canRepeat = false;
    rig.menus.validate();
    EXPECT_FALSE(rig.enabled(repeatArea));
    EXPECT_FALSE(rig.menus.statusAction(HotKeyAction::repeatArea)->isEnabled());
}

TEST(AppMenus, CanvasCommandsAreEnabledExactlyWhenTheFocusedCanvasTakesThem) {
    using enum MenuCommand;
    MenuRig rig;
    rig.canvasTakes = {undo, copy};
    rig.menus.validate();
    for (MenuCommand command : {undo, redo, copy, selectAll, duplicate, deleteSelection, redactText})
        EXPECT_EQ(rig.enabled(command), command == undo || command == copy) << int(command);
    // Paste opens the clipboard's image as the new document, with or without an open one.
    EXPECT_TRUE(rig.enabled(paste));
    rig.document = false;
    rig.menus.validate();
    EXPECT_TRUE(rig.enabled(paste));
    rig.clipboardImage = false;
    rig.menus.validate();
    EXPECT_FALSE(rig.enabled(paste));
}

TEST(AppMenus, TheScrollingItemSaysWhatAPressWillDo) {
    using enum MenuCommand;
    using enum MenuState::Scrolling;
    MenuRig rig;
    for (const auto& [state, title] : {std::pair{running, "Finish Scrolling Capture"},
                                       {selectingRegion, "Cancel Scrolling Capture"},
                                       {none, "Scrolling Capture"}}) {
        rig.scrolling = state;
        rig.menus.validate();
        EXPECT_EQ(rig.text(scrollingCapture), QString::fromLatin1(title));
        EXPECT_EQ(rig.menus.statusAction(HotKeyAction::scrollingCapture)->text(), QString::fromLatin1(title));
        EXPECT_TRUE(rig.enabled(scrollingCapture));
        if (state == running) {
            EXPECT_FALSE(rig.enabled(captureArea) || rig.enabled(paste) || rig.enabled(openImage));
        }
    }
}

TEST(AppMenus, AFailedHotKeyLosesItsKeyAndExplainsWhy) {
    MenuRig rig;
    rig.menus.showHotKeys(
        {{HotKeyAction::captureArea, QStringLiteral("Ctrl+Alt+Super+4")},
         {HotKeyAction::captureScreen, QStringLiteral("Ctrl+Alt+Super+3")}},
        {{HotKeyAction::captureScreen, QStringLiteral("In use by another app or Quorvane action")}});
    // Shown in the desktop's words, in the menu's shortcut column.
    EXPECT_EQ(rig.menus.statusAction(HotKeyAction::captureArea)->text(), QStringLiteral("Capture Area\tCtrl+Alt+Super+4"));
    EXPECT_TRUE(rig.menus.statusKeyText(HotKeyAction::captureScreen).isEmpty());
    EXPECT_EQ(rig.menus.statusAction(HotKeyAction::captureScreen)->text(), QStringLiteral("Capture Screen"));
    EXPECT_EQ(rig.menus.statusAction(HotKeyAction::captureScreen)->toolTip(),
              QStringLiteral("Shortcut unavailable: In use by another app or Quorvane action"));
    // Unbound: no key and no tool tip.
    EXPECT_TRUE(rig.menus.statusKeyText(HotKeyAction::repeatArea).isEmpty());
}

// Checked while on (or waiting for approval); disabled with the reason as tool tip while the
// login item cannot be used; both follow each validation.
TEST(AppMenus, LaunchAtLoginShowsItsStateAndWhyItCannotBeUsed) {
    MenuRig rig;
    QAction* login = rig.menus.action(MenuCommand::toggleLaunchAtLogin);
    EXPECT_TRUE(rig.menus.statusMenu()->actions().contains(login));
    rig.loginEnabled = true;
    rig.menus.validate();
    EXPECT_TRUE(login->isChecked());
    EXPECT_TRUE(login->isEnabled());
    rig.loginEnabled = false;
    rig.loginUnavailable = QStringLiteral("Launch at login isn't available on this computer.");
    Q_EMIT rig.menus.statusMenu()->aboutToShow();
    EXPECT_FALSE(login->isChecked());
    EXPECT_FALSE(login->isEnabled());
    EXPECT_EQ(login->toolTip(), QStringLiteral("Launch at login isn't available on this computer."));
    rig.loginUnavailable.reset();
    rig.menus.validate();
    EXPECT_TRUE(login->isEnabled());
    EXPECT_NE(login->toolTip(), QStringLiteral("Launch at login isn't available on this computer."));
}

// Capture Window stands in the tray's menu and in each window's File menu: a screen reader meets
// it in the menu that shows, and its press acts only as a click could, in an open menu.
TEST(AppMenus, AReaderMeetsAnItemOfSeveralMenusWhereItShowsAndPressesItOnlyThere) {
    MenuRig rig;
    QMenuBar bar;
    QMenu* file = rig.menus.fill(bar).file;
    QMenu* tray = rig.menus.statusMenu();
    QAccessibleInterface* item = QAccessible::queryAccessibleInterface(file)->child(1);
    ASSERT_NE(item, nullptr);
    ASSERT_EQ(item->object(), rig.menus.action(MenuCommand::chooseWindow));
    const auto press = [&] {
        item->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCoreApplication::processEvents();
    };
    press();
    EXPECT_EQ(item->parent()->object(), file);
    EXPECT_TRUE(item->state().invisible);
    EXPECT_TRUE(rig.ran.empty()) << "pressed in a closed menu";

    tray->popup(QPoint(10, 10));
    ASSERT_TRUE(tray->isVisible());
    EXPECT_EQ(item->parent()->object(), tray);
    EXPECT_FALSE(item->state().invisible);
    EXPECT_EQ(item->rect().center(), tray->mapToGlobal(tray->actionGeometry(tray->actions()[4]).center()));
    press();
    EXPECT_EQ(rig.ran, std::vector<MenuCommand>{MenuCommand::chooseWindow});
    EXPECT_FALSE(tray->isVisible()) << "the menu stayed open";
}

} // namespace
} // namespace quorvane
