#pragma once

#include <QAccessibleWidget>

namespace quorvane {

class SheetSlider;

// What assistive technology reads and does on a backdrop slider: its value with the unit word
// ("48 pixels"), also as its description, and increments of the slider's own rule. Qt's slider
// interface speaks only the bare number and steps by the slider's single step.
class SheetSliderAccessible : public QAccessibleWidget {
public:
    explicit SheetSliderAccessible(SheetSlider* slider);

    QString text(QAccessible::Text kind) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

    static void install();

private:
    SheetSlider* slider() const;
};

} // namespace quorvane
