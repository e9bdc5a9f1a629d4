#pragma once

// Every capture starts by listing what can be captured. The same listing refreshes the windows
// the window picker offers, keeps the picker's selection valid and proves that screen capture is
// allowed.

#include "capture/CaptureService.h"
#include "capture/CaptureTask.h"

#include <functional>

namespace quorvane {

class CaptureController;

class WindowList {
public:
    explicit WindowList(CaptureController& controller) : controller_(controller) {}

    // Lists the displays and windows, refreshes the offered windows, then continues with `next`.
    void load(CaptureTask& task, std::function<void(ShareableContent)> next);
    // Only the listing, run as a capture of its own (the window picker, the editor's Retry).
    void refresh();

private:
    CaptureController& controller_;
};

} // namespace quorvane
