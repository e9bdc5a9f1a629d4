#include "editor_window/PaletteSwatch.h"

#include "editor_window/ChromeAccessible.h"
#include "editor_window/ChromePainting.h"

#include <QPainter>

namespace quorvane {

PaletteSwatch::PaletteSwatch(QColor color, std::function<bool()> current, QWidget* parent)
    : QAbstractButton(parent), color_(std::move(color)), current_(std::move(current)) {
    ChromeAccessible::install();
    setFixedSize(28, 28);
}

void PaletteSwatch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF disc(3, 3, 22, 22);
    ChromePainting::swatch(painter, disc, color_, palette().color(QPalette::WindowText));
    if (!current_()) return;
    painter.setPen(QPen(palette().color(QPalette::Highlight), 3));
    painter.drawEllipse(disc.adjusted(-1.5, -1.5, 1.5, 1.5));
}

} // namespace quorvane
