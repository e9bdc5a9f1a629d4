#pragma once

#include <QAccessibleWidget>

class QComboBox;

namespace quorvane {

// What assistive technology learns of every combo box of ours that takes no typing. Qt's own
// interface names one by its current item on Linux ("PNG"), leaving its label to a relation;
// this one names it as Qt names other controls: by its accessible name, else by the label whose
// buddy it is ("Format"). Its item is its value and, as Qt 6.4's AT-SPI bridge passes on no
// value in words, its description too (a description of its own, or a tool tip, follows it).
// Its list opens only where a person's click could reach it (ClickReach).
class ComboBoxAccessible : public QAccessibleWidget {
public:
    explicit ComboBoxAccessible(QComboBox* box);

    QString text(QAccessible::Text kind) const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

    // Installs the factory once; every owner of a combo box calls it.
    static void install();

private:
    QComboBox* box() const;
};

} // namespace quorvane
