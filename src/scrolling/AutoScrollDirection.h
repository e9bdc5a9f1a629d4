#pragma once

#include <QString>

namespace quorvane {

// `down` shows content further down the page: its wheel delta is negative; `up` is positive.
enum class AutoScrollDirection { down, up };

// "down", "up".
inline QString rawValue(AutoScrollDirection direction) {
    return direction == AutoScrollDirection::down ? QStringLiteral("down") : QStringLiteral("up");
}

} // namespace quorvane
