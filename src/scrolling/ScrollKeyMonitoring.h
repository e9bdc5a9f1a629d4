#pragma once

#include "scrolling/ScrollKeyEvent.h"

#include <functional>

namespace quorvane {

// The keys of a running scrolling capture, wherever they are pressed.
class ScrollKeyMonitoring {
public:
    virtual ~ScrollKeyMonitoring() = default;
    // `handler` answers true when it handled the key; a handled key in our own windows goes no
    // further. Replaces an earlier start.
    virtual void start(std::function<bool(const ScrollKeyEvent&)> handler) = 0;
    virtual void stop() = 0;
};

} // namespace quorvane
