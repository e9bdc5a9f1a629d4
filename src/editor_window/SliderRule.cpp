#include "editor_window/SliderRule.h"

#include <algorithm>
#include <cmath>

namespace quorvane {

int SliderRule::snapped(double value) const {
    if (!std::isfinite(value)) return lower;
    const double clamped = std::clamp(value, static_cast<double>(lower), static_cast<double>(upper));
    return static_cast<int>(std::round(clamped / step) * step);
}

int SliderRule::adjustmentStep() const {
    return std::max((upper - lower) / 50, step);
}

int SliderRule::adjusted(std::int64_t value, bool up) const {
    const std::int64_t moved = up ? value + adjustmentStep() : value - adjustmentStep();
    return static_cast<int>(std::clamp<std::int64_t>(moved, lower, upper));
}

QString SliderRule::accessibilityValue(std::int64_t value) const {
    const QString word = unit == QLatin1String("px")  ? QStringLiteral("pixels")
                         : unit == QLatin1String("%") ? QStringLiteral("percent")
                                                      : QStringLiteral("degrees");
    return QString::number(value) + QLatin1Char(' ') + word;
}

QString SliderRule::valueText(std::int64_t value) const {
    return QString::number(value) + QLatin1Char(' ') + unit;
}

} // namespace quorvane
