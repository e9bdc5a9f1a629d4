#pragma once

#include "editor_window/SliderRule.h"

#include <QSlider>
#include <cstdint>

namespace quorvane {

// A horizontal slider over one integer field of the backdrop form. It shows the form's value
// (held at the nearest end when the value lies outside its range) without reporting it, and
// reports only what the user does: a drag or a value set by assistive technology as the nearest
// step, an arrow key, wheel or accessibility increment as the rule's increment of the form's value.
class SheetSlider : public QSlider {
    Q_OBJECT

public:
    SheetSlider(const QString& title, SliderRule rule, QWidget* parent = nullptr);

    const SliderRule& rule() const { return rule_; }
    std::int64_t formValue() const { return value_; }
    // Shows the form's value; reports nothing.
    void setFormValue(std::int64_t value);
    void increment();
    void decrement();
    // Stores the nearest step of `value` within the range and reports it (a value set by
    // assistive technology).
    void choose(double value);
    // "45 degrees".
    QString accessibilityValue() const { return rule_.accessibilityValue(value_); }

Q_SIGNALS:
    void edited(int value);

private:
    void act(int action);
    void store(int value);

    SliderRule rule_;
    std::int64_t value_ = 0;
};

} // namespace quorvane
