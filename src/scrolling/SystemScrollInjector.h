#pragma once

// Scroll steps through XTest. A wheel click is not a pixel delta: a step of `delta` pixels becomes
// round(|delta| ÷ pixelsPerClick) clicks, at least one, in the delta's direction. X11 has no trust
// to grant: posting is trusted whenever XTest and XInput 2 are there; the prompt and the settings
// page stay injectable so that the refusal path keeps working.

#include "scrolling/ScrollInjecting.h"

#include <functional>

namespace quorvane {

class X11ScrollInjector;

class SystemScrollInjector final : public ScrollInjecting {
public:
    // How far one wheel click moves the content of a typical application (three text lines).
    static constexpr double defaultPixelsPerClick = 48;

    explicit SystemScrollInjector(
        X11ScrollInjector& injector, std::function<void()> prompt = [] {},
        std::function<void()> openSettings = [] {}, double pixelsPerClick = defaultPixelsPerClick);

    // Replaceable, for the refusal path; by default XTest and XInput 2 being there.
    std::function<bool()> trust;

    bool trusted() const override { return trust(); }
    bool prompted() const override { return prompted_; }
    void requestAccess() override;
    bool post(std::int32_t delta, const QPointF& point) override;
    std::optional<QPointF> warpPointer(const QPointF& point) override;

    // Signed wheel clicks for a step: positive scrolls up (shows content further up).
    static int clicks(std::int32_t delta, double pixelsPerClick);

private:
    X11ScrollInjector& injector_;
    std::function<void()> prompt_;
    std::function<void()> openSettings_;
    double pixelsPerClick_;
    bool prompted_ = false;
};

} // namespace quorvane
