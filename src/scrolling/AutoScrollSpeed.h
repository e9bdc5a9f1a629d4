#pragma once

#include <QString>
#include <array>
#include <optional>

namespace quorvane {

// How fast automatic scrolling moves, stored and logged by its raw value.
enum class AutoScrollSpeed { slow, normal, fast };

inline constexpr std::array<AutoScrollSpeed, 3> allAutoScrollSpeeds = {
    AutoScrollSpeed::slow, AutoScrollSpeed::normal, AutoScrollSpeed::fast};

// "slow", "normal", "fast".
QString rawValue(AutoScrollSpeed speed);
// Exactly the three raw values; anything else is no speed.
std::optional<AutoScrollSpeed> autoScrollSpeed(const QString& rawValue);

} // namespace quorvane
