#include "scrolling/SystemScrollInjector.h"

#include "platform/X11ScrollInjector.h"
#include "scrolling/NativePoints.h"

#include <cmath>
#include <cstdlib>

namespace quorvane {

SystemScrollInjector::SystemScrollInjector(X11ScrollInjector& injector, std::function<void()> prompt,
                                           std::function<void()> openSettings, double pixelsPerClick)
    : injector_(injector), prompt_(std::move(prompt)), openSettings_(std::move(openSettings)),
      pixelsPerClick_(std::isfinite(pixelsPerClick) && pixelsPerClick > 0 ? pixelsPerClick
                                                                          : defaultPixelsPerClick) {
    trust = [this] { return injector_.available(); };
}

void SystemScrollInjector::requestAccess() {
    if (!prompted_) {
        prompted_ = true;
        prompt_();
        return;
    }
    openSettings_();
}

int SystemScrollInjector::clicks(std::int32_t delta, double pixelsPerClick) {
    if (delta == 0) return 0;
    const int count = std::max(1, static_cast<int>(std::round(std::abs(double(delta)) / pixelsPerClick)));
    return delta > 0 ? count : -count;
}

bool SystemScrollInjector::post(std::int32_t delta, const QPointF& point) {
    if (!trusted()) return false;
    const int count = clicks(delta, pixelsPerClick_);
    return count != 0 && injector_.post(count, NativePoints::toNative(point));
}

std::optional<QPointF> SystemScrollInjector::warpPointer(const QPointF& point) {
    if (!injector_.warpPointer(NativePoints::toNative(point))) return std::nullopt;
    const auto landed = injector_.pointerPosition();
    if (!landed) return point;
    return NativePoints::fromNative(*landed);
}

} // namespace quorvane
