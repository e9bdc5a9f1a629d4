#include "editor_window/SymbolDrawing.h"

#include "editor_window/ChromeSymbols.h"
#include "editor_window/PanelSymbols.h"

#include <QPainter>
#include <QPainterPath>
#include <functional>
#include <map>

namespace quorvane::SymbolDrawing {
namespace {

using namespace SymbolStrokes;

void uturn(QPainter& p, bool forward) {
    p.save();
    if (forward) {
        p.translate(24, 0);
        p.scale(-1, 1);
    }
    QPainterPath path;
    path.moveTo(19, 19);
    path.lineTo(19, 12);
    path.arcTo(QRectF(5, 5, 14, 14), 0, 180);
    path.lineTo(5, 14);
    p.drawPath(path);
    arrowHead(p, QPointF(5, 15), QPointF(1.5, 11.5), QPointF(8.5, 11.5));
    p.restore();
}

const std::map<QString, Draw>& table() {
    static const std::map<QString, Draw> drawings = {
        {QStringLiteral("hand.raised"),
         [](QPainter& p) {
             for (int finger = 0; finger < 4; ++finger) {
                 const double x = 7 + finger * 3.3;
                 p.drawLine(QPointF(x, finger == 0 || finger == 3 ? 7 : 4.5), QPointF(x, 13));
             }
             QPainterPath palm;
             palm.moveTo(7, 13);
             palm.lineTo(7, 16);
             palm.quadTo(8, 21, 12.5, 21);
             palm.quadTo(17, 21, 17, 16.5);
             palm.lineTo(17, 12);
             palm.lineTo(19.5, 9.5);
             p.drawPath(palm);
         }},
        {QStringLiteral("cursorarrow"),
         [](QPainter& p) {
             p.drawPath(polyline(
                 {{7, 3}, {7, 19}, {11, 15.5}, {14, 21}, {16.5, 20}, {13.5, 14.5}, {18.5, 14.5}, {7, 3}}));
         }},
        {QStringLiteral("arrow.up.right"),
         [](QPainter& p) {
             p.drawLine(QPointF(5, 19), QPointF(18, 6));
             p.drawPath(polyline({{9, 5.5}, {18.5, 5.5}, {18.5, 15}}));
         }},
        {QStringLiteral("point.topleft.down.curvedto.point.bottomright.up"),
         [](QPainter& p) {
             QPainterPath curve;
             curve.moveTo(4, 5);
             curve.cubicTo(4, 18, 20, 6, 20, 19);
             p.drawPath(curve);
             arrowHead(p, QPointF(20, 20), QPointF(16.5, 16.5), QPointF(23.5, 16.5));
         }},
        {QStringLiteral("rectangle"), [](QPainter& p) { p.drawRoundedRect(QRectF(3, 6, 18, 12), 2, 2); }},
        {QStringLiteral("rectangle.fill"),
         [](QPainter& p) {
             QPainterPath path;
             path.addRoundedRect(QRectF(3, 6, 18, 12), 2, 2);
             fillWithPen(p, path);
         }},
        {QStringLiteral("circle"), [](QPainter& p) { p.drawEllipse(QRectF(4, 4, 16, 16)); }},
        {QStringLiteral("circle.dashed"),
         [](QPainter& p) {
             QPen pen = p.pen();
             pen.setDashPattern({2, 1.6});
             p.setPen(pen);
             p.drawEllipse(QRectF(4, 4, 16, 16));
         }},
        {QStringLiteral("rectangle.dashed"),
         [](QPainter& p) {
             QPen pen = p.pen();
             pen.setDashPattern({2, 1.6});
             p.setPen(pen);
             p.drawRect(QRectF(3, 6, 18, 12));
         }},
        // Three stacked sheets seen at a slant: the stacking order.
        {QStringLiteral("square.3.layers.3d"),
         [](QPainter& p) {
             for (double y : {4.0, 9.0, 14.0})
                 p.drawPath(polyline({{12, y}, {21, y + 3}, {12, y + 6}, {3, y + 3}, {12, y}}));
         }},
        {QStringLiteral("textformat"),
         [](QPainter& p) {
             p.drawPath(polyline({{2, 19}, {8, 5}, {14, 19}}));
             p.drawLine(QPointF(4.5, 14), QPointF(11.5, 14));
             p.drawEllipse(QRectF(15, 12.5, 6, 6.5));
             p.drawLine(QPointF(21, 12), QPointF(21, 19));
         }},
        {QStringLiteral("scribble"),
         [](QPainter& p) {
             QPainterPath path;
             path.moveTo(3, 16);
             path.cubicTo(6, 4, 10, 4, 9, 13);
             path.cubicTo(8, 21, 14, 19, 15, 11);
             path.cubicTo(16, 5, 21, 8, 21, 16);
             p.drawPath(path);
         }},
        {QStringLiteral("highlighter"),
         [](QPainter& p) {
             p.drawPath(polyline({{14, 4}, {20, 10}, {11, 19}, {5, 13}, {14, 4}}));
             p.drawPath(polyline({{5, 13}, {3, 19}, {8, 21}, {11, 19}}));
         }},
        {QStringLiteral("light.max"),
         [](QPainter& p) {
             p.drawEllipse(QRectF(8, 8, 8, 8));
             for (int ray = 0; ray < 8; ++ray) {
                 p.save();
                 p.translate(12, 12);
                 p.rotate(ray * 45.0);
                 p.drawLine(QPointF(0, -7), QPointF(0, -10));
                 p.restore();
             }
         }},
        {QStringLiteral("1.circle"),
         [](QPainter& p) {
             p.drawEllipse(QRectF(3, 3, 18, 18));
             p.drawPath(polyline({{10, 9}, {12.5, 7.5}, {12.5, 17}}));
             p.drawLine(QPointF(10, 17), QPointF(15, 17));
         }},
        {QStringLiteral("plus.magnifyingglass"),
         [](QPainter& p) {
             p.drawEllipse(QRectF(3, 3, 13, 13));
             p.drawLine(QPointF(14, 14), QPointF(21, 21));
             p.drawLine(QPointF(9.5, 6.5), QPointF(9.5, 12.5));
             p.drawLine(QPointF(6.5, 9.5), QPointF(12.5, 9.5));
         }},
        {QStringLiteral("drop.halffull"),
         [](QPainter& p) {
             QPainterPath drop;
             drop.moveTo(12, 3);
             drop.cubicTo(12, 3, 5, 11, 5, 15);
             drop.arcTo(QRectF(5, 8, 14, 14), 180, 180);
             drop.cubicTo(19, 11, 12, 3, 12, 3);
             p.drawPath(drop);
             QPainterPath half;
             half.addRect(QRectF(12, 0, 12, 24));
             fillWithPen(p, drop.intersected(half));
         }},
        {QStringLiteral("squareshape.split.3x3"),
         [](QPainter& p) {
             p.drawRect(QRectF(3.5, 3.5, 17, 17));
             for (int i = 1; i < 3; ++i) {
                 const double at = 3.5 + i * 17.0 / 3.0;
                 p.drawLine(QPointF(at, 3.5), QPointF(at, 20.5));
                 p.drawLine(QPointF(3.5, at), QPointF(20.5, at));
             }
         }},
        {QStringLiteral("eraser"),
         [](QPainter& p) {
             p.drawPath(polyline({{9, 20}, {3.5, 14.5}, {13, 5}, {20.5, 12.5}, {13, 20}, {9, 20}}));
             p.drawLine(QPointF(8, 10), QPointF(15.5, 17.5));
             p.drawLine(QPointF(13, 20), QPointF(21, 20));
         }},
        {QStringLiteral("eyedropper"),
         [](QPainter& p) {
             p.drawPath(polyline({{4, 20}, {4, 17}, {13, 8}, {16, 11}, {7, 20}, {4, 20}}));
             p.drawLine(QPointF(11.5, 6.5), QPointF(17.5, 12.5));
             QPainterPath bulb;
             bulb.addRoundedRect(QRectF(14, 2, 7, 7), 3.5, 3.5);
             fillWithPen(p, bulb);
         }},
        {QStringLiteral("ruler"),
         [](QPainter& p) {
             p.save();
             p.translate(12, 12);
             p.rotate(-45);
             p.drawRect(QRectF(-10, -4, 20, 8));
             for (int tick = -7; tick <= 7; tick += 3)
                 p.drawLine(QPointF(tick, -4), QPointF(tick, -1));
             p.restore();
         }},
        {QStringLiteral("crop"),
         [](QPainter& p) {
             p.drawPath(polyline({{7, 2}, {7, 17}, {22, 17}}));
             p.drawPath(polyline({{2, 7}, {17, 7}, {17, 22}}));
         }},
        {QStringLiteral("ellipsis.circle"),
         [](QPainter& p) {
             p.drawEllipse(QRectF(3, 3, 18, 18));
             QPainterPath dots;
             for (int dot = 0; dot < 3; ++dot)
                 dots.addEllipse(QPointF(7.5 + dot * 4.5, 12), 1.3, 1.3);
             fillWithPen(p, dots);
         }},
        {QStringLiteral("arrow.uturn.backward"), [](QPainter& p) { uturn(p, false); }},
        {QStringLiteral("arrow.uturn.forward"), [](QPainter& p) { uturn(p, true); }},
        {QStringLiteral("questionmark"),
         [](QPainter& p) {
             QPainterPath path;
             path.moveTo(7.5, 8);
             path.arcTo(QRectF(7.5, 3, 9, 9), 180, -270);
             path.quadTo(12, 13, 12, 16);
             p.drawPath(path);
             QPainterPath dot;
             dot.addEllipse(QPointF(12, 20.5), 1.4, 1.4);
             fillWithPen(p, dot);
         }},
        {QStringLiteral("square.fill"),
         [](QPainter& p) {
             QPainterPath path;
             path.addRoundedRect(QRectF(4, 4, 16, 16), 3, 3);
             fillWithPen(p, path);
         }},
        {QStringLiteral("lineweight"),
         [](QPainter& p) {
             p.drawLine(QPointF(3, 6), QPointF(21, 6));
             QPainterPath mid;
             mid.addRect(QRectF(3, 10.5, 18, 2.5));
             fillWithPen(p, mid);
             QPainterPath thick;
             thick.addRect(QRectF(3, 16, 18, 4));
             fillWithPen(p, thick);
         }},
        {QStringLiteral("exclamationmark.triangle"),
         [](QPainter& p) {
             p.drawPath(polyline({{12, 3}, {22, 20.5}, {2, 20.5}, {12, 3}}));
             p.drawLine(QPointF(12, 9), QPointF(12, 14));
             QPainterPath dot;
             dot.addEllipse(QPointF(12, 17.2), 1.2, 1.2);
             fillWithPen(p, dot);
         }},
        {QStringLiteral("info.circle"),
         [](QPainter& p) {
             p.drawEllipse(QRectF(3, 3, 18, 18));
             p.drawLine(QPointF(12, 11), QPointF(12, 17));
             QPainterPath dot;
             dot.addEllipse(QPointF(12, 7.5), 1.3, 1.3);
             fillWithPen(p, dot);
         }},
    };
    return drawings;
}

} // namespace

const QStringList& names() {
    static const QStringList list = [] {
        QStringList all;
        for (const auto& [name, draw] : table())
            all << name;
        for (const auto& [name, draw] : ChromeSymbols::table())
            all << name;
        for (const auto& [name, draw] : PanelSymbols::drawings())
            all << name;
        all.removeDuplicates();
        all.sort();
        return all;
    }();
    return list;
}

bool draw(QPainter& painter, const QString& name) {
    for (const auto* drawings : {&table(), &ChromeSymbols::table()}) {
        const auto found = drawings->find(name);
        if (found == drawings->end()) continue;
        found->second(painter);
        return true;
    }
    // The floating panels' own symbols.
    const auto panel = PanelSymbols::drawings().find(name);
    if (panel == PanelSymbols::drawings().end()) return false;
    panel->second(painter);
    return true;
}

} // namespace quorvane::SymbolDrawing
