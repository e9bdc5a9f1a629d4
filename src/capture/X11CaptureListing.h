#pragma once

// What the X server says, in the capture service's terms: its displays, windows and failures.

#include "capture/CaptureService.h"
#include "platform/X11CaptureConnection.h"
#include "platform/X11ScreenTargets.h"

#include <QRect>
#include <optional>
#include <vector>

namespace quorvane::X11CaptureListing {

Error serviceError(const X11CaptureError& problem);
Error serviceError(X11CaptureError::Kind kind);

CaptureDisplay displayOf(const X11Monitor& monitor);
// Listed on the display of the monitor it overlaps most, else on the main one.
CaptureWindow windowOf(const X11Window& window, const std::vector<X11Monitor>& monitors,
                       const std::vector<CaptureDisplay>& displays, std::size_t mainIndex);
// The primary monitor, else the one at the origin, else the first.
std::size_t mainMonitor(const std::vector<X11Monitor>& monitors);
// Whole pixels of `content` (a drawable's area) that cover `source` (points from its top left);
// empty when `source` reaches outside it.
QRect nativeArea(const QRect& content, const std::optional<QRectF>& source, double scale);

} // namespace quorvane::X11CaptureListing
