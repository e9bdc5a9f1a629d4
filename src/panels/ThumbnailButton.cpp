#include "panels/ThumbnailButton.h"

#include "editor_window/ChromeAccessible.h"
#include "editor_window/SymbolIcons.h"

#include <QPainter>
#include <QPainterPath>

namespace quorvane {

ThumbnailButton::ThumbnailButton(const SymbolIcons& icons, QString symbol, const QString& title,
                                 const QString& help, QWidget* parent)
    : QAbstractButton(parent), icons_(icons), symbol_(std::move(symbol)) {
    ChromeAccessible::install();
    setFixedSize(sizeHint());
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(title);
    setToolTip(help);
}

void ThumbnailButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF plate = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(plate, 6, 6);
    QColor material = palette().color(QPalette::Window);
    material.setAlphaF(0.85f);
    painter.fillPath(shape, material);
    QColor border = palette().color(QPalette::WindowText);
    border.setAlphaF(hovering_ ? 0.35f : 0.12f);
    painter.setPen(QPen(border, 1));
    painter.drawPath(shape);
    const QColor ink = palette().color(QPalette::WindowText);
    const QRectF box(width() / 2.0 - 7, height() / 2.0 - 7, 14, 14);
    icons_.paint(painter, symbol_, box, isDown() ? ink.darker(130) : ink, SymbolIcons::Weight::bold);
}

void ThumbnailButton::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    hovering_ = true;
    update();
}

void ThumbnailButton::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    hovering_ = false;
    update();
}

} // namespace quorvane
