#pragma once

#include "support/journey/Desktop.h"
#include "support/journey/ScreenText.h"

#include <QRect>
#include <QString>
#include <optional>
#include <vector>

namespace quorvane::journey {

// A menu item as a person sees it: its title (with the key equivalent, when it shows one, on
// the same line), where it is, and whether it is drawn enabled.
struct MenuItem {
    QString text;
    QRect box;
    bool enabled = false;
};

// Menus are found on the screen, never through the program: a menu bar's title by reading the
// bar, an open menu by its window (our popups are override-redirect children of the root) and
// its items by reading it.

// Clicks `menu`'s title in the window's menu bar; the items of the menu that opened.
std::vector<MenuItem> openMenu(const Window& window, const QString& menu);
// The items of the menu that is open now (empty when none is).
std::vector<MenuItem> openMenuItems();
// Whether a menu of ours is open.
bool isMenuOpen();
// Closes every open menu with Escape.
void closeMenus();
// Opens the menu and clicks the item; false (and the menu closed) when the item is missing or
// disabled.
bool chooseMenuItem(const Window& window, const QString& menu, const QString& item);
// Opens the menu, reads the item and closes the menu again.
std::optional<MenuItem> menuItem(const Window& window, const QString& menu, const QString& item);
std::optional<MenuItem> findItem(const std::vector<MenuItem>& items, const QString& title);

// Where a tool tip of ours shows now.
std::optional<QRect> toolTip();

// Whether the area picker covers the screen (a person sees the frozen screen and its hint).
bool isAreaPickerOpen();
bool waitForAreaPicker(int timeoutMs = 10000);

// The program's icon in the tray, when it has one.
std::optional<QRect> trayIcon();
// Clicks the tray icon; the status menu's items.
std::vector<MenuItem> openTrayMenu();
bool chooseTrayItem(const QString& item);

} // namespace quorvane::journey
