#include "canvas/RulerOverlayView.h"

namespace quorvane {

RulerOverlayView::RulerOverlayView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    hide();
}

} // namespace quorvane
