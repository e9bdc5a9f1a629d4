#pragma once

#include <QColor>
#include <QRectF>

class QPainter;

// The small drawing pieces the chrome's controls share.
namespace quorvane::ChromePainting {

inline constexpr double cornerRadius = 6;

// A rounded rectangle of `color` at `opacity`, the fill of active and hovered controls.
void fillRounded(QPainter& painter, const QRectF& rect, QColor color, double opacity);
// The keyboard focus of a control drawn by hand: a 2-point `accent` outline just inside `rect`,
// as Qt's own buttons show it.
void focusRing(QPainter& painter, const QRectF& rect, const QColor& accent);
// A colour swatch: the colour (transparent when invalid) inside a faint primary border.
void swatch(QPainter& painter, const QRectF& circle, const QColor& color, const QColor& primary);

} // namespace quorvane::ChromePainting
