#pragma once

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

namespace quorvane {

// What assistive technology reads and does on a ValueSlider or a ValueSpinBox: its value text as
// its value (the opacity slider speaks "75 percent", the counter's stepper "3" rather than
// "Step 3"); number, bounds and steps stay the control's. Qt's own interfaces speak the slider's
// bare number and the spin box's whole text. A reader's steps and values change nothing where no
// click reaches the control (ClickReach).
class ValueControlAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    // `control` is a ValueSlider or a ValueSpinBox.
    explicit ValueControlAccessible(QWidget* control);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text kind) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

    static void install();
    // Tells assistive technology that `control`'s value text changed.
    static void valueTextChanged(QWidget& control);
};

} // namespace quorvane
