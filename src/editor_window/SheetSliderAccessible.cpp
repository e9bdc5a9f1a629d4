#include "editor_window/SheetSliderAccessible.h"

#include "core/ClickReach.h"
#include "editor_window/SheetSlider.h"

#include <QVariant>

namespace quorvane {
namespace {

QAccessibleInterface* factory(const QString&, QObject* object) {
    if (auto* slider = qobject_cast<SheetSlider*>(object)) return new SheetSliderAccessible(slider);
    return nullptr;
}

} // namespace

SheetSliderAccessible::SheetSliderAccessible(SheetSlider* slider)
    : QAccessibleWidget(slider, QAccessible::Slider) {}

void* SheetSliderAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

SheetSlider* SheetSliderAccessible::slider() const {
    return static_cast<SheetSlider*>(widget());
}

QString SheetSliderAccessible::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Value) return slider()->accessibilityValue();
    // The tool tip only repeats the name: the value in words says more, and Qt's AT-SPI bridge
    // passes on only the bare number as the value.
    if (kind == QAccessible::Description && widget()->accessibleDescription().isEmpty() &&
        widget()->toolTip() == text(QAccessible::Name))
        return slider()->accessibilityValue();
    return QAccessibleWidget::text(kind);
}

QStringList SheetSliderAccessible::actionNames() const {
    return QAccessibleWidget::actionNames() << increaseAction() << decreaseAction();
}

void SheetSliderAccessible::doAction(const QString& actionName) {
    if (!ClickReach::reaches(*slider())) return;
    if (actionName == increaseAction())
        slider()->increment();
    else if (actionName == decreaseAction())
        slider()->decrement();
    else
        QAccessibleWidget::doAction(actionName);
}

QVariant SheetSliderAccessible::currentValue() const {
    return QVariant::fromValue(slider()->formValue());
}

void SheetSliderAccessible::setCurrentValue(const QVariant& value) {
    if (!ClickReach::reaches(*slider())) return;
    bool number = false;
    const double wanted = value.toDouble(&number);
    if (number) slider()->choose(wanted);
}

QVariant SheetSliderAccessible::maximumValue() const {
    return slider()->rule().upper;
}

QVariant SheetSliderAccessible::minimumValue() const {
    return slider()->rule().lower;
}

QVariant SheetSliderAccessible::minimumStepSize() const {
    return slider()->rule().step;
}

void SheetSliderAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

} // namespace quorvane
