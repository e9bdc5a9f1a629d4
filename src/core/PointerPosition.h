#pragma once

#include <QPointF>

class QSinglePointEvent;

namespace quorvane {

// Where the pointer of `event` is in the widget that receives it, to the device pixel. Qt hands a
// widget the window's position rounded to whole points, so at two device pixels a point every
// odd pixel would be out of reach; the event's window position keeps the fraction, and that
// fraction is put back. A position that is already fractional was never rounded.
QPointF pointerPosition(const QSinglePointEvent& event);

} // namespace quorvane
