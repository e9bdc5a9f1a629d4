#pragma once

#include <QAccessibleActionInterface>
#include <QAccessibleInterface>
#include <QPointer>

class QAction;
class QWidget;

namespace quorvane {

// A menu item (an action in a menu or a menu bar) as assistive technology meets it: as Qt's own
// item (the title without its mnemonic, the shortcut, the submenu as its only child, press or
// show-menu), but its press and show-menu do only what a person's click could do then (ClickReach):
// an item of an open menu closes the menus and acts, a menu bar's title opens or closes its menu;
// an item of a closed menu, a title of a closed window that a reader kept, or one under a sheet or
// the area picker does nothing. Qt's own item acts and opens its menu wherever a reader asks.
// An action that stands in several menus (the tray's and each window's) is one item: that of the
// open menu, else of the window in front.
class MenuItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    explicit MenuItemAccessible(QAction* action);

    // Gives every action shown in a menu or a menu bar this interface; call before anything asks
    // for one (Qt keeps the first interface it made for an action).
    static void install();
    // Makes `item`, whose key shows after a tab in its text ("Capture Area\tCtrl+Alt+Super+4")
    // where the key is not the action's own shortcut (a global hot key, or one the window handles),
    // named by its title, with the key as its shortcut. Qt's own item takes the whole text for its
    // name, and a screen reader reads the tab and the key as part of it.
    static void showsKeyInText(QAction& item);

    bool isValid() const override;
    QObject* object() const override;
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int index) const override;
    int childCount() const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QString text(QAccessible::Text kind) const override;
    void setText(QAccessible::Text kind, const QString& text) override;
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    bool keyInText() const;

    QPointer<QAction> action_;
};

} // namespace quorvane
