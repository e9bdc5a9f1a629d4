#include "editor_window/SheetSlider.h"

#include "editor_window/ChromeAccessible.h"
#include "editor_window/SheetSliderAccessible.h"

#include <QSignalBlocker>
#include <algorithm>

namespace quorvane {

SheetSlider::SheetSlider(const QString& title, SliderRule rule, QWidget* parent)
    : QSlider(Qt::Horizontal, parent), rule_(std::move(rule)) {
    SheetSliderAccessible::install();
    setRange(rule_.lower, rule_.upper);
    setSingleStep(rule_.adjustmentStep());
    setPageStep(rule_.adjustmentStep());
    setAccessibleName(title);
    setToolTip(title);
    connect(this, &QAbstractSlider::actionTriggered, this, &SheetSlider::act);
}

void SheetSlider::setFormValue(std::int64_t value) {
    const bool changed = value != value_;
    value_ = value;
    {
        const QSignalBlocker blocker(this);
        setValue(static_cast<int>(std::clamp<std::int64_t>(value, rule_.lower, rule_.upper)));
    }
    // Its description is the value in words.
    if (changed) ChromeAccessible::valueChanged(*this);
}

void SheetSlider::increment() {
    store(rule_.adjusted(value_, true));
}

void SheetSlider::decrement() {
    store(rule_.adjusted(value_, false));
}

void SheetSlider::choose(double value) {
    store(rule_.snapped(value));
}

void SheetSlider::act(int action) {
    // Runs before the slider takes the new position, which is set here to the stored value.
    switch (action) {
    case SliderSingleStepAdd:
    case SliderPageStepAdd:
        store(rule_.adjusted(value_, true));
        break;
    case SliderSingleStepSub:
    case SliderPageStepSub:
        store(rule_.adjusted(value_, false));
        break;
    case SliderToMinimum:
        store(rule_.lower);
        break;
    case SliderToMaximum:
        store(rule_.upper);
        break;
    case SliderMove:
        store(rule_.snapped(sliderPosition()));
        break;
    default:
        return;
    }
    setSliderPosition(static_cast<int>(std::clamp<std::int64_t>(value_, rule_.lower, rule_.upper)));
}

void SheetSlider::store(int value) {
    const bool changed = value != value_;
    value_ = value;
    {
        const QSignalBlocker blocker(this);
        setValue(std::clamp(value, rule_.lower, rule_.upper));
    }
    if (changed) ChromeAccessible::valueChanged(*this);
    Q_EMIT edited(value);
}

} // namespace quorvane
