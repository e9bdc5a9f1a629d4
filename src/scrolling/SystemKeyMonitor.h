#pragma once

// The keys of a running scrolling capture: pressed elsewhere on the desktop (seen, never taken),
// or in our own windows (taken when the handler handled them).

#include "scrolling/LocalKeyWatch.h"
#include "scrolling/ScrollKeyMonitoring.h"

namespace quorvane {

class X11InputMonitor;

class SystemKeyMonitor final : public ScrollKeyMonitoring {
public:
    explicit SystemKeyMonitor(X11InputMonitor& monitor) : monitor_(monitor) {}
    ~SystemKeyMonitor() override;

    void start(std::function<bool(const ScrollKeyEvent&)> handler) override;
    void stop() override;

private:
    X11InputMonitor& monitor_;
    LocalKeyWatch local_;
};

} // namespace quorvane
