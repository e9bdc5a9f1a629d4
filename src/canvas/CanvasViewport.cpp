#include "canvas/CanvasViewport.h"

namespace quorvane {

using canvas_field::assign;

void CanvasViewport::setFit(bool v) {
    assign(changes_, fit_, v, CanvasField::fit);
}
void CanvasViewport::setZoomFraction(double v) {
    assign(changes_, zoomFraction_, v, CanvasField::zoomFraction);
}
void CanvasViewport::setPan(const QPointF& v) {
    assign(changes_, pan_, v, CanvasField::pan);
}
void CanvasViewport::setPixelated(bool v) {
    assign(changes_, pixelated_, v, CanvasField::pixelated);
}

void CanvasViewport::emitChange(CanvasField field) {
    switch (field) {
    case CanvasField::fit:
        Q_EMIT fitChanged();
        break;
    case CanvasField::zoomFraction:
        Q_EMIT zoomFractionChanged();
        break;
    case CanvasField::pan:
        Q_EMIT panChanged();
        break;
    case CanvasField::pixelated:
        Q_EMIT pixelatedChanged();
        break;
    default:
        break;
    }
}

} // namespace quorvane
