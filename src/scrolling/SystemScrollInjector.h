#pragma once

// Scroll steps through XTest, as wheel clicks. X11 has no trust to grant: posting is trusted
// whenever XTest and XInput 2 are there; the prompt and the settings page stay injectable so that
// the refusal path keeps working.

#include "scrolling/ScrollInjecting.h"

#include <functional>

namespace quorvane {

class X11ScrollInjector;

class SystemScrollInjector final : public ScrollInjecting {
public:
    explicit SystemScrollInjector(
        X11ScrollInjector& injector, std::function<void()> prompt = [] {},
        std::function<void()> openSettings = [] {});

    // Replaceable, for the refusal path; by default XTest and XInput 2 being there.
    std::function<bool()> trust;

    bool trusted() const override { return trust(); }
    bool prompted() const override { return prompted_; }
    void requestAccess() override;
    bool post(int clicks, const QPointF& point) override;
    std::optional<QPointF> warpPointer(const QPointF& point) override;

private:
    X11ScrollInjector& injector_;
    std::function<void()> prompt_;
    std::function<void()> openSettings_;
    bool prompted_ = false;
};

} // namespace quorvane
