#pragma once

// The scrolling capture's parts of the system, made once by the composition root: its own input
// connection to the X server with the wheel-step injector, the window probe, the input and key
// monitors, and the drag selection's pointer tap and overlay. Without an X server the parts are
// inert: nothing is trusted, watched or posted.

#include <functional>
#include <memory>

namespace quorvane {

class AccessibilityOptions;
class AutoScrollInputMonitoring;
class DragEventTapping;
class DragSelectionPresenting;
class ScrollInjecting;
class ScrollKeyMonitoring;
class ScrollTargetProbing;
class SystemScrollInjector;

class ScrollingSystem {
public:
    // The options outlive the parts; the drag selection's overlay follows Increase Contrast.
    explicit ScrollingSystem(const AccessibilityOptions& accessibility);
    ~ScrollingSystem();
    ScrollingSystem(const ScrollingSystem&) = delete;
    ScrollingSystem& operator=(const ScrollingSystem&) = delete;

    ScrollInjecting& injector() const;
    ScrollTargetProbing& probe() const;
    AutoScrollInputMonitoring& inputMonitor() const;
    ScrollKeyMonitoring& keyMonitor() const;
    // One tap and one overlay per drag selection.
    std::unique_ptr<DragEventTapping> makeDragTap() const;
    std::unique_ptr<DragSelectionPresenting> makeDragPresenter() const;
    // The left button is held now.
    bool buttonDown() const;
    // The X11 injector, whose trust a test may refuse; null without an X server.
    SystemScrollInjector* systemInjector() const;

private:
    struct X11Parts;
    struct InertParts;
    std::unique_ptr<X11Parts> x11_;
    std::unique_ptr<InertParts> inert_;
    const AccessibilityOptions& accessibility_;
};

} // namespace quorvane
