#include "scrolling/AutoScrollSpeed.h"

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

} // namespace quorvane
