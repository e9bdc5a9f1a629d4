#include "scrolling/SystemScrollInjector.h"

#include "platform/X11ScrollInjector.h"
#include "scrolling/NativePoints.h"

namespace quorvane {

SystemScrollInjector::SystemScrollInjector(X11ScrollInjector& injector, std::function<void()> prompt,
                                           std::function<void()> openSettings)
    : injector_(injector), prompt_(std::move(prompt)), openSettings_(std::move(openSettings)) {
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

bool SystemScrollInjector::post(int clicks, const QPointF& point) {
    if (!trusted()) return false;
    return clicks != 0 && injector_.post(clicks, NativePoints::toNative(point));
}

std::optional<QPointF> SystemScrollInjector::warpPointer(const QPointF& point) {
    if (!injector_.warpPointer(NativePoints::toNative(point))) return std::nullopt;
    const auto landed = injector_.pointerPosition();
    if (!landed) return point;
    return NativePoints::fromNative(*landed);
}

} // namespace quorvane
