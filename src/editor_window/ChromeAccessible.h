#pragma once

#include <QAccessibleWidget>

namespace quorvane {

// What assistive technology learns of every button (but a push button with a menu), of the drag
// handle (an image named by what dragging it does) and of every control with a value ("Blue",
// "18 points"; a widget with an `accessibilityValue` property):
// - the value, which Qt's own button interfaces do not have;
// - a press that does what a click does, on a later turn, so that a menu (which runs modally)
//   never holds the reader's call: nothing where no click reaches the button (ClickReach: a sheet
//   over it, a closed window, the area picker), and an open menu closes first. Qt's own button
//   interfaces press wherever they are asked. A split button (main action and menu) offers press
//   and show-menu, a button whose press opens its menu show-menu alone;
// - a description only where it adds to the name: a tool tip that repeats the name or a part of
//   it, in any letter case, is not read out a second time, and one that opens with the name
//   ("Arrow — Drag …", "More tools: …", "Zoom (Ctrl+0 fits, …)") gives what it adds. A control
//   whose tool tip says no more than its name describes itself by its value, which Qt 6.4's
//   AT-SPI bridge does not carry on its own.
class ChromeAccessible : public QAccessibleWidget {
public:
    explicit ChromeAccessible(QWidget* widget);

    QString text(QAccessible::Text kind) const override;
    // Asked anew each time: a menu may be set after the interface was made.
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

    // What the tool tip `help` adds to `name`: "Ctrl+C" of "Copy Image (Ctrl+C)"; nothing where it
    // only repeats the name or a part of it ("Close Pin" of "Close pin", "Ocean" of "Ocean
    // preset"), or adds only what the name acts on ("Copy image" of "Copy").
    static QString helpBeyond(const QString& name, const QString& help);
    // Describes a widget of Qt's own interfaces, which read the whole tool tip, by what its tool
    // tip adds to its name; call again when either changes.
    static void describeBeyondName(QWidget& widget);
    // Tells assistive technology that `control`'s value changed, and with it the description read
    // from it: readers keep what they read of an object until told, and would announce the old
    // value when the focus comes back.
    static void valueChanged(QWidget& control);
    // Installs the factory once, with that of menu items (MenuItemAccessible); every chrome control
    // calls it.
    static void install();
};

} // namespace quorvane
