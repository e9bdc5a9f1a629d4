#include "editor_window/SheetSliderAccessible.h"

#include "editor_window/SheetSlider.h"

namespace quorvane {
namespace {

QAccessibleInterface* factory(const QString&, QObject* object) {
    if (auto* slider = qobject_cast<SheetSlider*>(object)) return new SheetSliderAccessible(slider);
    return nullptr;
}

} // namespace

SheetSliderAccessible::SheetSliderAccessible(SheetSlider* slider)
    : QAccessibleWidget(slider, QAccessible::Slider) {}

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
    if (!slider()->isEnabled()) return;
    if (actionName == increaseAction())
        slider()->increment();
    else if (actionName == decreaseAction())
        slider()->decrement();
    else
        QAccessibleWidget::doAction(actionName);
}

void SheetSliderAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

} // namespace quorvane
