#include "editor_window/PaletteSwatch.h"

#include "editor_window/ChromeAccessible.h"
#include "editor_window/ChromePainting.h"

#include <QKeyEvent>
#include <QPainter>
#include <cmath>

namespace quorvane {
namespace {

// Black or white, whichever stands out more against `color` (by relative luminance).
QColor contrasting(const QColor& color) {
    if (!color.isValid()) return Qt::black;
    const auto linear = [](float channel) {
        return channel <= 0.04045F ? channel / 12.92F : std::pow((channel + 0.055F) / 1.055F, 2.4F);
    };
    const QColor rgb = color.toRgb();
    const float luminance =
        0.2126F * linear(rgb.redF()) + 0.7152F * linear(rgb.greenF()) + 0.0722F * linear(rgb.blueF());
    // Where black and white stand out equally.
    return luminance > 0.179F ? QColor(Qt::black) : QColor(Qt::white);
}

} // namespace

PaletteSwatch::PaletteSwatch(QColor color, std::function<bool()> current,
                             std::function<bool()> increaseContrast, QWidget* parent)
    : QAbstractButton(parent), color_(std::move(color)), current_(std::move(current)),
      increaseContrast_(std::move(increaseContrast)) {
    ChromeAccessible::install();
    setFixedSize(28, 28);
}

void PaletteSwatch::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        event->ignore();
        return;
    default:
        QAbstractButton::keyPressEvent(event);
    }
}

void PaletteSwatch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF disc(3, 3, 22, 22);
    ChromePainting::swatch(painter, disc, color_, palette().color(QPalette::WindowText));
    if (current_()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 3));
        painter.drawEllipse(disc.adjusted(-1.5, -1.5, 1.5, 1.5));
    }
    if (!hasFocus()) return;
    // Inside the disc, clear of the current colour's ring outside it.
    const QRectF ring = disc.adjusted(4, 4, -4, -4);
    painter.setBrush(Qt::NoBrush);
    if (increaseContrast_ && increaseContrast_()) {
        painter.setPen(QPen(Qt::white, 5));
        painter.drawEllipse(ring);
        painter.setPen(QPen(Qt::black, 2.5));
        painter.drawEllipse(ring);
        return;
    }
    painter.setPen(QPen(contrasting(color_), 2));
    painter.drawEllipse(ring);
}

} // namespace quorvane
