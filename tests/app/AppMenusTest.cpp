#include "app/AppMenus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

struct MenuRig {
    bool busy = false, exportable = true, canRepeat = true, document = true, previous = true,
         lastExport = true, clipboardImage = true;
    MenuState::Scrolling scrolling = MenuState::Scrolling::none;
    // What the focused canvas takes now.
    std::vector<MenuCommand> canvasTakes;
    std::vector<MenuCommand> ran;
    AppMenus menus{state(), [this](MenuCommand command) { ran.push_back(command); }};

    MenuState state() {
        MenuState s;
        s.busy = [this] { return busy; };
        s.exportable = [this] { return exportable; };
        s.canRepeatArea = [this] { return canRepeat; };
        s.hasDocument = [this] { return document; };
        s.hasPreviousDocument = [this] { return previous; };
        s.hasLastExport = [this] { return lastExport; };
        s.clipboardHasImage = [this] { return clipboardImage; };
        s.scrolling = [this] { return scrolling; };
        s.canvasTakes = [this](MenuCommand command) {
            return std::find(canvasTakes.begin(), canvasTakes.end(), command) != canvasTakes.end();
        };
        return s;
    }
    bool enabled(MenuCommand command) const { return menus.action(command)->isEnabled(); }
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
    std::vector<QString> menuTitles;
    for (QAction* action : bar.actions())
        menuTitles.push_back(action->text());
    EXPECT_EQ(menuTitles, (std::vector<QString>{"Quorvane", "File", "Edit", "Window"}));
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
    EXPECT_EQ(rig.menus.action(MenuCommand::showSettings)->shortcut().toString(), QStringLiteral("Ctrl+,"));
    EXPECT_EQ(rig.menus.action(MenuCommand::saveImageAs)->shortcut().toString(),
              QStringLiteral("Ctrl+Shift+S"));
    EXPECT_EQ(rig.menus.action(MenuCommand::resizeImage)->shortcut().toString(),
              QStringLiteral("Ctrl+Alt+I"));
    EXPECT_EQ(
        titles(*rig.menus.statusMenu()),
        (std::vector<QString>{"Open Quorvane", "-", "Capture Area", "Capture Screen", "Capture Window…",
                              "Repeat Area", "Scrolling Capture", "Recognize Text/QR", "-", "Pin Screenshot",
                              "Close All Pins", "-", "Launch at Login", "Settings…", "-", "Quit Quorvane"}));
    rig.menus.statusMenu()->actions()[0]->trigger();
    rig.menus.statusAction(HotKeyAction::captureArea)->trigger();
    EXPECT_EQ(rig.ran, (std::vector<MenuCommand>{MenuCommand::showEditor, MenuCommand::captureArea}));
}

TEST(AppMenus, DuringACaptureOnlyWhatCannotDisturbItStaysEnabled) {
    MenuRig rig;
    rig.busy = true;
    rig.exportable = false;
    rig.menus.validate();
    for (MenuCommand command :
         {MenuCommand::captureScreen, MenuCommand::chooseWindow, MenuCommand::captureArea,
          MenuCommand::repeatArea, MenuCommand::scrollingCapture, MenuCommand::recognizeTextInArea,
          MenuCommand::saveImage, MenuCommand::saveImageAs, MenuCommand::chooseSaveFolder,
          MenuCommand::openImage, MenuCommand::reopenLastExport, MenuCommand::restorePreviousDocument,
          MenuCommand::resizeImage, MenuCommand::editBackdrop, MenuCommand::paste,
          MenuCommand::pinScreenshot})
        EXPECT_FALSE(rig.enabled(command)) << int(command);
    EXPECT_FALSE(rig.menus.statusAction(HotKeyAction::captureScreen)->isEnabled());
    EXPECT_TRUE(rig.enabled(MenuCommand::showSettings));
    EXPECT_TRUE(rig.enabled(MenuCommand::quit));

    // A Redact Text review: the document is there but cannot be exported.
    rig.busy = false;
    rig.menus.validate();
    EXPECT_FALSE(rig.enabled(MenuCommand::saveImage));
    EXPECT_FALSE(rig.enabled(MenuCommand::saveImageAs));
    EXPECT_FALSE(rig.enabled(MenuCommand::pinScreenshot));
    EXPECT_TRUE(rig.enabled(MenuCommand::resizeImage));

    rig.canRepeat = false;
    rig.menus.validate();
    EXPECT_FALSE(rig.enabled(MenuCommand::repeatArea));
    EXPECT_FALSE(rig.menus.statusAction(HotKeyAction::repeatArea)->isEnabled());
}

TEST(AppMenus, CanvasCommandsAreEnabledExactlyWhenTheFocusedCanvasTakesThem) {
    MenuRig rig;
    const std::vector<MenuCommand> edits = {MenuCommand::undo,      MenuCommand::redo,
                                            MenuCommand::copy,      MenuCommand::selectAll,
                                            MenuCommand::duplicate, MenuCommand::deleteSelection,
                                            MenuCommand::redactText};
    for (MenuCommand command : edits)
        EXPECT_FALSE(rig.enabled(command)) << int(command);
    rig.canvasTakes = {MenuCommand::undo, MenuCommand::copy};
    rig.menus.validate();
    for (MenuCommand command : edits)
        EXPECT_EQ(rig.enabled(command), command == MenuCommand::undo || command == MenuCommand::copy)
            << int(command);
    rig.canvasTakes.clear();
    rig.menus.validate();
    // Ctrl+V into an open document is the canvas's; without a document it opens the image.
    EXPECT_FALSE(rig.enabled(MenuCommand::paste));
    rig.document = false;
    rig.menus.validate();
    EXPECT_TRUE(rig.enabled(MenuCommand::paste));
    rig.clipboardImage = false;
    rig.menus.validate();
    EXPECT_FALSE(rig.enabled(MenuCommand::paste));
}

TEST(AppMenus, TheScrollingItemSaysWhatAPressWillDo) {
    MenuRig rig;
    EXPECT_EQ(rig.menus.action(MenuCommand::scrollingCapture)->text(), QStringLiteral("Scrolling Capture"));
    rig.scrolling = MenuState::Scrolling::running;
    rig.menus.validate();
    EXPECT_EQ(rig.menus.action(MenuCommand::scrollingCapture)->text(),
              QStringLiteral("Finish Scrolling Capture"));
    EXPECT_EQ(rig.menus.statusAction(HotKeyAction::scrollingCapture)->text(),
              QStringLiteral("Finish Scrolling Capture"));
    EXPECT_FALSE(rig.enabled(MenuCommand::captureArea));
    EXPECT_FALSE(rig.enabled(MenuCommand::paste));
    EXPECT_FALSE(rig.enabled(MenuCommand::openImage));
    rig.scrolling = MenuState::Scrolling::selectingRegion;
    rig.menus.validate();
    EXPECT_EQ(rig.menus.action(MenuCommand::scrollingCapture)->text(),
              QStringLiteral("Cancel Scrolling Capture"));
    EXPECT_TRUE(rig.enabled(MenuCommand::scrollingCapture));
}

TEST(AppMenus, AFailedHotKeyLosesItsKeyAndExplainsWhy) {
    MenuRig rig;
    rig.menus.showHotKeys(
        {{HotKeyAction::captureArea, QStringLiteral("Ctrl+Alt+Meta+4")},
         {HotKeyAction::captureScreen, QStringLiteral("Ctrl+Alt+Meta+3")}},
        {{HotKeyAction::captureScreen, QStringLiteral("In use by another app or Quorvane action")}});
    EXPECT_FALSE(rig.menus.statusAction(HotKeyAction::captureArea)->shortcut().isEmpty());
    EXPECT_TRUE(rig.menus.statusAction(HotKeyAction::captureArea)->toolTip().isEmpty() ||
                rig.menus.statusAction(HotKeyAction::captureArea)->toolTip() ==
                    QStringLiteral("Capture Area"));
    EXPECT_TRUE(rig.menus.statusAction(HotKeyAction::captureScreen)->shortcut().isEmpty());
    EXPECT_EQ(rig.menus.statusAction(HotKeyAction::captureScreen)->toolTip(),
              QStringLiteral("Shortcut unavailable: In use by another app or Quorvane action"));
    EXPECT_TRUE(rig.menus.statusMenu()->toolTipsVisible());
    // Unbound: no key and no tool tip.
    EXPECT_TRUE(rig.menus.statusAction(HotKeyAction::repeatArea)->shortcut().isEmpty());
}

} // namespace
} // namespace quorvane
