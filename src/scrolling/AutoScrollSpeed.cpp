#include "scrolling/AutoScrollSpeed.h"

#include <algorithm>
#include <cmath>

namespace quorvane {

QString rawValue(AutoScrollSpeed speed) {
    switch (speed) {
    case AutoScrollSpeed::slow:
        return QStringLiteral("slow");
    case AutoScrollSpeed::normal:
        return QStringLiteral("normal");
    case AutoScrollSpeed::fast:
        return QStringLiteral("fast");
    }
    return QStringLiteral("normal");
}

std::optional<AutoScrollSpeed> autoScrollSpeed(const QString& value) {
    for (AutoScrollSpeed speed : allAutoScrollSpeeds)
        if (rawValue(speed) == value) return speed;
    return std::nullopt;
}

std::int32_t scrollStep(double height, double fraction) {
    if (!std::isfinite(height) || height <= 0) return 4;
    return static_cast<std::int32_t>(std::clamp(std::floor(height * fraction), 4.0, 2000.0));
}

std::int32_t stepForRegionHeight(AutoScrollSpeed speed, double height) {
    switch (speed) {
    case AutoScrollSpeed::slow:
        return scrollStep(height, 0.15);
    case AutoScrollSpeed::normal:
        return scrollStep(height, 0.25);
    case AutoScrollSpeed::fast:
        return scrollStep(height, 0.40);
    }
    return 4;
}

std::chrono::milliseconds settleDelay(AutoScrollSpeed speed) {
    switch (speed) {
    case AutoScrollSpeed::slow:
        return std::chrono::milliseconds(300);
    case AutoScrollSpeed::normal:
        return std::chrono::milliseconds(200);
    case AutoScrollSpeed::fast:
        return std::chrono::milliseconds(140);
    }
    return std::chrono::milliseconds(200);
}

} // namespace quorvane
