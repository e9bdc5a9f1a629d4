#include "scrolling/WheelClickDistance.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace quorvane {
namespace {

// Far more clicks than any step needs; keeps the arithmetic in range for absurd inputs.
constexpr double clickCap = 10000;

} // namespace

void WheelClickDistance::observe(int clicks, int rows) {
    if (clicks == 0 || rows <= 0) return;
    const int count = std::abs(clicks);
    clicks_ += count;
    rows_ += rows;
    farthest_ = std::max(farthest_, double(rows) / count);
    mostClicks_ = std::max(mostClicks_, count);
}

std::optional<double> WheelClickDistance::rowsPerClick() const {
    if (clicks_ == 0) return std::nullopt;
    return double(rows_) / double(clicks_);
}

int WheelClickDistance::wholeClicks(double pixels, double perClick) {
    if (!std::isfinite(pixels) || pixels == 0) return 0;
    const double whole = std::isfinite(perClick) && perClick > 0 ? std::round(std::abs(pixels) / perClick) : 1;
    const int count = static_cast<int>(std::clamp(whole, 1.0, clickCap));
    return pixels > 0 ? count : -count;
}

int WheelClickDistance::clicks(double pixels, int frameRows) const {
    const auto perClick = rowsPerClick();
    if (!perClick) return wholeClicks(pixels, std::abs(pixels));
    const int wanted = wholeClicks(pixels, *perClick);
    const double matchable = std::floor(maxFrameShare * std::max(frameRows, 0) / farthest_);
    const int limit = std::max(1, static_cast<int>(std::min({matchable, 2.0 * mostClicks_, clickCap})));
    return std::clamp(wanted, -limit, limit);
}

} // namespace quorvane
