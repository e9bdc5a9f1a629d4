#include "core/AccessibilityOptions.h"

namespace quorvane {

AccessibilityOptions::AccessibilityOptions(QObject* parent) : QObject(parent) {}

void AccessibilityOptions::setIncreaseContrast(bool on) {
    if (on == increaseContrast_) return;
    increaseContrast_ = on;
    Q_EMIT changed();
}

void AccessibilityOptions::setReduceMotion(bool on) {
    if (on == reduceMotion_) return;
    reduceMotion_ = on;
    Q_EMIT changed();
}

} // namespace quorvane
