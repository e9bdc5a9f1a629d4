#pragma once

#include <QString>
#include <array>
#include <chrono>
#include <cstdint>
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

// One step for a region `height` pixels high: floor(height × fraction) within 4…2000; 4 when the
// height is not a finite number above 0.
std::int32_t scrollStep(double height, double fraction);
// The step of a speed: 15 %, 25 % or 40 % of the region height.
std::int32_t stepForRegionHeight(AutoScrollSpeed speed, double height);
// How long the content may settle after each step: 300, 200 or 140 ms.
std::chrono::milliseconds settleDelay(AutoScrollSpeed speed);

} // namespace quorvane
