#pragma once

// Global points (Qt's logical coordinates) and the X server's root pixels. Each screen keeps its
// top-left where the server has it and scales from there by its device pixel ratio.

#include <QPoint>
#include <QPointF>

namespace quorvane::NativePoints {

QPoint toNative(const QPointF& point);
QPointF fromNative(const QPoint& pixel);

} // namespace quorvane::NativePoints
