#pragma once

#include <QAccessibleWidget>

namespace quorvane {

// Gives assistive technology the value of a chrome control ("Blue", "18 points"): a widget
// with an `accessibilityValue` property is exposed as a button whose value is that text. Qt's
// own button interface has no value.
class ChromeAccessible : public QAccessibleWidget {
public:
    explicit ChromeAccessible(QWidget* widget);

    QString text(QAccessible::Text kind) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

    // Installs the factory once; every chrome control with a value calls it.
    static void install();
};

} // namespace quorvane
