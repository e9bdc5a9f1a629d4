#pragma once

#include "capture/CaptureService.h"

namespace quorvane {

// The window automatic scrolling aims at.
struct ScrollTarget {
    WindowID windowID = 0;
    // 0 when the window names no process.
    ProcessID processID = 0;

    bool operator==(const ScrollTarget&) const = default;
};

} // namespace quorvane
