#pragma once

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

namespace quorvane {

class SheetSlider;

// What assistive technology reads and does on a sheet slider: its value with the unit word
// ("48 pixels"), also as its description, increments of the slider's own rule, and the number
// with its range and step, as Qt's own sliders offer them. Qt's slider interface speaks only the
// bare number, steps by the slider's single step and would bypass the rule.
class SheetSliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SheetSliderAccessible(SheetSlider* slider);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text kind) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

    // The form's value, which may lie beyond the range (the slider then rests at its end).
    QVariant currentValue() const override;
    // Stores the nearest step within the range, as a drag would.
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

    static void install();

private:
    SheetSlider* slider() const;
};

} // namespace quorvane
