#pragma once

// The user's input anywhere: raw input outside our windows through XInput 2, key presses in our
// own windows through the application (they go on to the window either way).

#include "scrolling/AutoScrollInputMonitoring.h"
#include "scrolling/LocalKeyWatch.h"

namespace quorvane {

class X11InputMonitor;

class SystemInputMonitor final : public AutoScrollInputMonitoring {
public:
    explicit SystemInputMonitor(X11InputMonitor& monitor) : monitor_(monitor) {}
    ~SystemInputMonitor() override;

    bool start(const QPointF& anchor, Handler handler) override;
    void stop() override;

private:
    X11InputMonitor& monitor_;
    LocalKeyWatch local_;
    Handler handler_;
    QPointF anchor_;
};

} // namespace quorvane
