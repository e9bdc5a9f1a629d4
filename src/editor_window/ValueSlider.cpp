#include "editor_window/ValueSlider.h"

#include "editor_window/ValueControlAccessible.h"

namespace quorvane {

ValueSlider::ValueSlider(QWidget* parent) : QSlider(parent) {
    ValueControlAccessible::install();
}

void ValueSlider::setValueText(const QString& text) {
    if (text == valueText_) return;
    valueText_ = text;
    ValueControlAccessible::valueTextChanged(*this);
}

} // namespace quorvane
