#pragma once

#include <QAccessibleWidget>

namespace quorvane {

// The panel's elements that carry a value for assistive technology (the preview's height, the
// status text): a widget with a `hudValue` property is one element whose value is that text. Qt's
// own interfaces for labels and plain widgets have no value.
class ScrollHUDAccessible : public QAccessibleWidget {
public:
    ScrollHUDAccessible(QWidget* widget, QAccessible::Role role);

    QString text(QAccessible::Text kind) const override;
    // The focus moves only where a click could move it (ClickReach).
    void doAction(const QString& actionName) override;

    // Installs the factory once.
    static void install();
};

} // namespace quorvane
