#pragma once

#include <QAccessibleWidget>

namespace quorvane {

// What assistive technology learns of the chrome's own buttons and of every control with a value
// ("Blue", "18 points"; a widget with an `accessibilityValue` property):
// - the value, which Qt's own button interfaces do not have;
// - a description only where it adds to the name: a tool tip that repeats the name is not read
//   out a second time, and one that opens with the name ("Arrow (A) — Drag …") gives what
//   follows it. A control whose tool tip says no more than its name describes itself by its value,
//   which Qt 6.4's AT-SPI bridge does not carry on its own.
class ChromeAccessible : public QAccessibleWidget {
public:
    explicit ChromeAccessible(QWidget* widget);

    QString text(QAccessible::Text kind) const override;
    // Asked anew each time: a menu may be set after the interface was made.
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

    // Installs the factory once; every chrome control calls it.
    static void install();
};

} // namespace quorvane
