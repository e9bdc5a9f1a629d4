#include "canvas/ColorLoupeView.h"

namespace quorvane {

ColorLoupeView::ColorLoupeView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
}

} // namespace quorvane
