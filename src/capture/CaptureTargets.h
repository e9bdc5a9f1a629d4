#pragma once

// Which listed windows the window picker offers, which one stays selected, and which display a
// capture at the pointer takes.

#include "capture/CaptureService.h"

#include <vector>

namespace quorvane::CaptureTargets {

// Ordinary windows (layer 0) larger than one point each way that belong to another process (or
// to none), in the service's order. The service lists only windows on screen.
std::vector<CaptureWindow> capturableWindows(const ShareableContent& content, ProcessID ownProcess);
// `selected` while one of `windows` has it, else the first window's id, else 0.
WindowID keptSelection(const std::vector<CaptureWindow>& windows, WindowID selected);
// The first listed display that holds `point`, else the main display; none without either.
const CaptureDisplay* displayAt(const ShareableContent& content, const QPointF& point);

} // namespace quorvane::CaptureTargets
