#pragma once

#include "scrolling/AutoScrollStop.h"

#include <QPointF>
#include <cstdint>
#include <functional>

namespace quorvane {

// Ends an automatic run as soon as the user touches the pointer, the wheel or the keyboard.
class AutoScrollInputMonitoring {
public:
    virtual ~AutoScrollInputMonitoring() = default;
    // The reason, and the X server's time of the input that gave it (0 when unknown).
    using Handler = std::function<void(const AutoScrollStop&, std::uint32_t time)>;

    // `anchor` is the pointer's position (global points) when the run starts; `handler` gets the
    // reason on the GUI thread. Replaces an earlier start. False when the user's input cannot be
    // watched at all.
    virtual bool start(const QPointF& anchor, Handler handler) = 0;
    virtual void stop() = 0;
};

} // namespace quorvane
