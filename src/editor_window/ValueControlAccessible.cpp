#include "editor_window/ValueControlAccessible.h"

#include "core/ClickReach.h"
#include "editor_window/ValueSlider.h"
#include "editor_window/ValueSpinBox.h"

#include <QVariant>

namespace quorvane {
namespace {

QAccessibleInterface* factory(const QString&, QObject* object) {
    if (qobject_cast<ValueSlider*>(object) == nullptr && qobject_cast<ValueSpinBox*>(object) == nullptr)
        return nullptr;
    return new ValueControlAccessible(static_cast<QWidget*>(object));
}

} // namespace

ValueControlAccessible::ValueControlAccessible(QWidget* control)
    : QAccessibleWidget(control, qobject_cast<QAbstractSlider*>(control) != nullptr ? QAccessible::Slider
                                                                                    : QAccessible::SpinBox) {}

void* ValueControlAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString ValueControlAccessible::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Value) {
        if (auto* slider = qobject_cast<ValueSlider*>(widget())) return slider->valueText();
        return static_cast<ValueSpinBox*>(widget())->valueText();
    }
    // Qt reads the tool tip as description; one that only repeats the name is not read twice.
    if (kind == QAccessible::Description && widget()->accessibleDescription().isEmpty() &&
        widget()->toolTip() == text(QAccessible::Name))
        return {};
    return QAccessibleWidget::text(kind);
}

QStringList ValueControlAccessible::actionNames() const {
    return QAccessibleWidget::actionNames() << increaseAction() << decreaseAction();
}

void ValueControlAccessible::doAction(const QString& actionName) {
    if (!ClickReach::reaches(*widget())) return;
    const bool up = actionName == increaseAction();
    if (!up && actionName != decreaseAction()) return QAccessibleWidget::doAction(actionName);
    if (auto* slider = qobject_cast<QAbstractSlider*>(widget()))
        slider->triggerAction(up ? QAbstractSlider::SliderSingleStepAdd
                                 : QAbstractSlider::SliderSingleStepSub);
    else if (auto* spin = qobject_cast<QSpinBox*>(widget()))
        up ? spin->stepUp() : spin->stepDown();
}

QVariant ValueControlAccessible::currentValue() const {
    if (auto* slider = qobject_cast<QAbstractSlider*>(widget())) return slider->value();
    return static_cast<QSpinBox*>(widget())->value();
}

void ValueControlAccessible::setCurrentValue(const QVariant& value) {
    if (!ClickReach::reaches(*widget())) return;
    if (auto* slider = qobject_cast<QAbstractSlider*>(widget()))
        slider->setValue(value.toInt());
    else
        static_cast<QSpinBox*>(widget())->setValue(value.toInt());
}

QVariant ValueControlAccessible::maximumValue() const {
    if (auto* slider = qobject_cast<QAbstractSlider*>(widget())) return slider->maximum();
    return static_cast<QSpinBox*>(widget())->maximum();
}

QVariant ValueControlAccessible::minimumValue() const {
    if (auto* slider = qobject_cast<QAbstractSlider*>(widget())) return slider->minimum();
    return static_cast<QSpinBox*>(widget())->minimum();
}

QVariant ValueControlAccessible::minimumStepSize() const {
    if (auto* slider = qobject_cast<QAbstractSlider*>(widget())) return slider->singleStep();
    return static_cast<QSpinBox*>(widget())->singleStep();
}

void ValueControlAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

void ValueControlAccessible::valueTextChanged(QWidget& control) {
    if (!QAccessible::isActive()) return;
    QAccessibleValueChangeEvent changed(&control, control.property("value"));
    QAccessible::updateAccessibility(&changed);
}

} // namespace quorvane
