#pragma once

// The errors of the scrolling capture's own making: domain "Quorvane.ScrollingCapture", code 1,
// the message as what the user reads.

#include "core/Error.h"

namespace quorvane::ScrollingCaptureFailure {

inline constexpr char domain[] = "Quorvane.ScrollingCapture";
inline constexpr int code = 1;

Error make(const QString& message);

Error displayUnavailable();
Error outsideDisplay();

} // namespace quorvane::ScrollingCaptureFailure
