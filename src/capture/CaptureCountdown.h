#pragma once

// The wait before a display, window or area capture takes its picture, so that the user can open
// a menu or bring a window forward: whole seconds with a status for each, isCountingDown while it
// runs, and an end at once when the capture is cancelled.

#include "capture/CaptureTask.h"

#include <functional>

namespace quorvane {

class CaptureController;

class CaptureCountdown {
public:
    explicit CaptureCountdown(CaptureController& controller) : controller_(controller) {}

    // Continues with `next` once the delay is over; a cancelled task ends here instead.
    void waitForDelay(CaptureTask& task, std::function<void()> next);

private:
    void step(CaptureTask& task, int remaining, std::function<void()> next);

    CaptureController& controller_;
};

} // namespace quorvane
