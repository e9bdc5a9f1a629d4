#include "editor_window/DropHighlight.h"

#include "editor_window/SymbolIcons.h"

#include <QPainter>
#include <QPainterPath>

namespace quorvane {

DropHighlight::DropHighlight(const SymbolIcons& icons, QWidget* parent) : QWidget(parent), icons_(icons) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void DropHighlight::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor accent = palette().color(QPalette::Highlight);
    // The 3-point line lies inside the shape, which is inset 4 points from the edges.
    const QRectF shape = QRectF(rect()).adjusted(4, 4, -4, -4);
    QPen pen(accent, 3, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(shape.adjusted(1.5, 1.5, -1.5, -1.5), 8.5, 8.5);

    const QString text = label();
    const QFontMetricsF metrics(font());
    const double iconSide = metrics.height();
    const QSizeF content(iconSide + 6 + metrics.horizontalAdvance(text), metrics.height());
    const QRectF capsule(
        QPointF(width() / 2.0 - content.width() / 2 - 10, height() / 2.0 - content.height() / 2 - 10),
        content + QSizeF(20, 20));
    QColor material = palette().color(QPalette::Window);
    material.setAlphaF(0.92f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(material);
    painter.drawRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);
    const QColor ink = palette().color(QPalette::WindowText);
    icons_.paint(painter, QStringLiteral("photo.badge.plus"),
                 QRectF(capsule.left() + 10, capsule.top() + 10, iconSide, iconSide), ink);
    painter.setPen(ink);
    painter.drawText(
        QRectF(capsule.left() + 10 + iconSide + 6, capsule.top() + 10, content.width(), content.height()),
        Qt::AlignLeft | Qt::AlignVCenter, text);
}

} // namespace quorvane
