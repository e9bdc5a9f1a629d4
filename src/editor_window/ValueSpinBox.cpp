#include "editor_window/ValueSpinBox.h"

#include "editor_window/ValueControlAccessible.h"

namespace quorvane {

ValueSpinBox::ValueSpinBox(QWidget* parent) : QSpinBox(parent) {
    ValueControlAccessible::install();
}

void ValueSpinBox::setValueText(const QString& text) {
    if (text == valueText_) return;
    valueText_ = text;
    ValueControlAccessible::valueTextChanged(*this);
}

} // namespace quorvane
