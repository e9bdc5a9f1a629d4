#pragma once

#include <QAccessibleWidget>

namespace quorvane {

class ToastView;

// The toast as assistive technology meets it: one element whose name is its message and whose
// actions are its buttons ("Cancel", "Retry", "Dismiss"), not a symbol, a text and buttons read
// one by one. It is invisible while the capsule is down.
class ToastAccessible : public QAccessibleWidget {
public:
    explicit ToastAccessible(ToastView* toast);

    QString text(QAccessible::Text kind) const override;
    QAccessible::State state() const override;
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

    static void install();

private:
    ToastView* toast() const;
};

} // namespace quorvane
