#pragma once

#include "editor_window/ChromeAccessible.h"
#include "editor_window/IconButton.h"

namespace quorvane {

// A symbol button that also tells assistive technology a value ("On", "None").
class ValueIconButton : public IconButton {
    Q_OBJECT
    Q_PROPERTY(QString accessibilityValue READ accessibilityValue)

public:
    using IconButton::IconButton;

    const QString& accessibilityValue() const { return value_; }
    void setAccessibilityValue(const QString& value) {
        if (value == value_) return;
        value_ = value;
        ChromeAccessible::valueChanged(*this);
    }

private:
    QString value_;
};

} // namespace quorvane
