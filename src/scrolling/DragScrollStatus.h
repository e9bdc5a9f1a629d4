#pragma once

// The heads-up panel's texts while a drag holds the pointer at a screen edge.

#include "scrolling/AutoScrollDirection.h"
#include "scrolling/AutoScrollStop.h"

#include <QString>

namespace quorvane::DragScrollStatus {

QString scrolling(AutoScrollDirection direction);
QString paused(AutoScrollDirection direction);
QString directionLocked(AutoScrollDirection direction);
QString stopped(const AutoScrollStop& stop, bool appended);

} // namespace quorvane::DragScrollStatus
