#include "core/PointerPosition.h"

#include <QEvent>
#include <QSinglePointEvent>
#include <cmath>

namespace quorvane {

QPointF pointerPosition(const QSinglePointEvent& event) {
    const QPointF local = event.position();
    if (local.x() != std::floor(local.x()) || local.y() != std::floor(local.y())) return local;
    // Qt rounded the window's position (qRound, as QPointF::toPoint does) before it moved it into
    // the widget by whole points.
    const QPointF window = event.scenePosition();
    return local + (window - QPointF(window.toPoint()));
}

} // namespace quorvane
