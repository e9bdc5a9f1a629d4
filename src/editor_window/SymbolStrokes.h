#pragma once

#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QTransform>
#include <functional>
#include <initializer_list>

// Pieces the symbol drawings share, in the 24 × 24 design box with the painter's pen.
namespace quorvane::SymbolStrokes {

using Draw = std::function<void(QPainter&)>;

inline void fillWithPen(QPainter& p, const QPainterPath& path) {
    p.fillPath(path, p.pen().color());
}

inline QPainterPath polyline(std::initializer_list<QPointF> points) {
    QPainterPath path;
    bool first = true;
    for (const QPointF& point : points) {
        if (first)
            path.moveTo(point);
        else
            path.lineTo(point);
        first = false;
    }
    return path;
}

inline QPainterPath closed(std::initializer_list<QPointF> points) {
    QPainterPath path = polyline(points);
    path.closeSubpath();
    return path;
}

inline QPainterPath roundedRect(const QRectF& rect, double radius) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

inline void arrowHead(QPainter& p, QPointF tip, QPointF a, QPointF b) {
    p.drawPath(polyline({a, tip, b}));
}

// The area the pen covers when it strokes `path`: shapes with holes are built from it.
inline QPainterPath inked(const QPainter& p, const QPainterPath& path) {
    QPainterPathStroker stroker(p.pen());
    return stroker.createStroke(path);
}

// `shape` filled, with the pen's rounded edge around it.
inline QPainterPath solid(const QPainter& p, const QPainterPath& shape) {
    const QTransform up = QTransform::fromScale(16, 16);
    return up.inverted().map(up.map(shape).united(up.map(inked(p, shape))));
}

// `a` without `b`. Qt flattens curves for the set operations at a fixed step, coarse in a
// 24-unit box: working sixteen times larger keeps circles round.
inline QPainterPath minus(const QPainterPath& a, const QPainterPath& b) {
    const QTransform up = QTransform::fromScale(16, 16);
    return up.inverted().map(up.map(a).subtracted(up.map(b)));
}

// `shape` less `front` grown by `gap`: what shows of a shape that lies behind another.
inline QPainterPath behind(const QPainterPath& shape, const QPainterPath& front, double gap) {
    QPainterPathStroker margin;
    margin.setWidth(2 * gap);
    margin.setJoinStyle(Qt::RoundJoin);
    const QTransform up = QTransform::fromScale(16, 16);
    const QPainterPath cover = up.map(front).united(up.map(margin.createStroke(front)));
    return up.inverted().map(up.map(shape).subtracted(cover));
}

// Strokes `shape` where `front` does not cover it.
inline void strokeBehind(QPainter& p, const QPainterPath& shape, const QPainterPath& front, double gap) {
    fillWithPen(p, behind(inked(p, shape), front, gap));
}

} // namespace quorvane::SymbolStrokes
