#include "panels/QuorvaneBackdrop.h"

#include <QEvent>
#include <QPainter>

namespace quorvane {

QuorvaneBackdrop::QuorvaneBackdrop(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(QString());
}

const std::array<std::pair<QuorvaneArt::Frond, QRectF>, 4>& QuorvaneBackdrop::fronds() {
    using QuorvaneArt::Frond;
    static const std::array<std::pair<Frond, QRectF>, 4> list = {{
        {Frond{{QPointF(0.5, 1.0), QPointF(0.20, 0.65), QPointF(0.80, 0.35), QPointF(0.45, 0.0)},
               0.20,
               4.0,
               0,
               0.1},
         QRectF(-0.06, 0.38, 0.36, 0.66)},
        {Frond{{QPointF(0.5, 1.0), QPointF(0.75, 0.60), QPointF(0.25, 0.35), QPointF(0.60, 0.0)},
               0.22,
               3.5,
               1.4,
               0.1},
         QRectF(0.10, 0.55, 0.26, 0.48)},
        {Frond{{QPointF(0.5, 1.0), QPointF(0.80, 0.62), QPointF(0.20, 0.32), QPointF(0.55, 0.0)},
               0.20,
               4.5,
               2.2,
               0.1},
         QRectF(0.66, 0.30, 0.38, 0.74)},
        {Frond{{QPointF(0.5, 1.0), QPointF(0.25, 0.60), QPointF(0.75, 0.30), QPointF(0.40, 0.0)},
               0.22,
               3.5,
               0.6,
               0.1},
         QRectF(0.58, 0.58, 0.26, 0.45)},
    }};
    return list;
}

QColor QuorvaneBackdrop::color(ColorScheme scheme) {
    return QColor::fromRgbF(0.22f, 0.62f, 0.30f, scheme == ColorScheme::dark ? 0.16f : 0.10f);
}

void QuorvaneBackdrop::paint(QPainter& painter, const QSizeF& size, ColorScheme scheme) {
    const QColor ink = color(scheme);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(ink, 3, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    for (const auto& [frond, unit] : fronds()) {
        const QRectF rect(unit.x() * size.width(), unit.y() * size.height(), unit.width() * size.width(),
                          unit.height() * size.height());
        const QuorvaneArt::FrondPaths paths = QuorvaneArt::paths(frond, rect);
        painter.fillPath(paths.blade, ink);
        painter.drawPath(paths.stem);
    }
    painter.restore();
}

void QuorvaneBackdrop::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, size(), colorScheme(palette()));
}

void QuorvaneBackdrop::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) update();
    QWidget::changeEvent(event);
}

} // namespace quorvane
