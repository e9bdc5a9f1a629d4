#pragma once

#include <QAccessibleActionInterface>
#include <QAccessibleInterface>
#include <QPointer>

class QAction;
class QMenu;

namespace quorvane {

// A menu item that shows its key after a tab in its text ("Capture Area\tCtrl+Alt+Super+4"),
// where the key is not the action's own shortcut (a global hot key, or one the window handles),
// as assistive technology meets it: named by its title, the key as its shortcut. Qt's own item
// takes the whole text for its name, and a screen reader reads the tab and the key as part of it.
class MenuKeyAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    explicit MenuKeyAccessible(QAction* action);

    // Makes `item` such an item; call before anything asks for its interface.
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
    // The menu the item shows in: the open one, when it is in several.
    QMenu* menu() const;

    QPointer<QAction> action_;
};

} // namespace quorvane
