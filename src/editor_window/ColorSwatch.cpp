#include "editor_window/ColorSwatch.h"

#include <QPainter>

namespace quorvane {

ColorSwatch::ColorSwatch(const SampledColor& color, QWidget* parent) : QWidget(parent), color_(color) {
    setFixedSize(sizeHint());
}

void ColorSwatch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor fill(color_.red, color_.green, color_.blue, color_.alpha);
    QColor border = palette().color(QPalette::WindowText);
    border.setAlphaF(0.3f);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(border, 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(box, 3, 3);
}

} // namespace quorvane
