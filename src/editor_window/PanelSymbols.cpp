#include "editor_window/PanelSymbols.h"

#include <QPainter>
#include <QPainterPath>
#include <functional>
#include <map>
#include <numbers>

namespace quorvane::PanelSymbols {
namespace {

using Draw = std::function<void(QPainter&)>;

void fill(QPainter& p, const QPainterPath& path) {
    p.fillPath(path, p.pen().color());
}

void corners(QPainter& p, const QRectF& r, double arm) {
    QPainterPath path;
    for (const auto& [corner, dx, dy] :
         {std::tuple{r.topLeft(), 1, 1}, std::tuple{r.topRight(), -1, 1}, std::tuple{r.bottomLeft(), 1, -1},
          std::tuple{r.bottomRight(), -1, -1}}) {
        path.moveTo(corner + QPointF(0, dy * arm));
        path.lineTo(corner);
        path.lineTo(corner + QPointF(dx * arm, 0));
    }
    p.drawPath(path);
}

// A circular arrow of `span` degrees starting at `start`, with its head at the end.
void circularArrow(QPainter& p, double start, double span) {
    QPainterPath arc;
    const QRectF box(5, 5, 14, 14);
    arc.arcMoveTo(box, start);
    arc.arcTo(box, start, span);
    p.drawPath(arc);
    const QPointF tip = arc.currentPosition();
    const double angle = arc.angleAtPercent(1) * std::numbers::pi / 180;
    const QPointF along(std::cos(angle), -std::sin(angle));
    const QPointF across(-along.y(), along.x());
    QPainterPath head;
    head.moveTo(tip - along * 3.5 + across * 3.5);
    head.lineTo(tip);
    head.lineTo(tip - along * 3.5 - across * 3.5);
    p.drawPath(head);
}

void window(QPainter& p, const QRectF& r) {
    p.drawRoundedRect(r, 2.5, 2.5);
    p.drawLine(QPointF(r.left(), r.top() + 4), QPointF(r.right(), r.top() + 4));
}

} // namespace

const std::map<QString, Draw>& drawings() {
    static const std::map<QString, Draw> table = {
        {QStringLiteral("xmark"),
         [](QPainter& p) {
             p.drawLine(QPointF(6, 6), QPointF(18, 18));
             p.drawLine(QPointF(18, 6), QPointF(6, 18));
         }},
        {QStringLiteral("pencil"),
         [](QPainter& p) {
             QPainterPath body;
             body.moveTo(5, 19);
             body.lineTo(6, 15);
             body.lineTo(16, 5);
             body.lineTo(19, 8);
             body.lineTo(9, 18);
             body.closeSubpath();
             p.drawPath(body);
             p.drawLine(QPointF(14, 7), QPointF(17, 10));
         }},
        {QStringLiteral("viewfinder"), [](QPainter& p) { corners(p, QRectF(3, 4, 18, 16), 5); }},
        {QStringLiteral("display"),
         [](QPainter& p) {
             p.drawRoundedRect(QRectF(3, 4, 18, 12), 2, 2);
             p.drawLine(QPointF(12, 16), QPointF(12, 20));
             p.drawLine(QPointF(8, 20), QPointF(16, 20));
         }},
        {QStringLiteral("macwindow"), [](QPainter& p) { window(p, QRectF(3, 4, 18, 16)); }},
        {QStringLiteral("app"),
         [](QPainter& p) {
             p.drawRoundedRect(QRectF(3, 3, 18, 18), 5, 5);
             window(p, QRectF(7, 8, 10, 8));
         }},
        {QStringLiteral("photo"),
         [](QPainter& p) {
             p.drawRoundedRect(QRectF(3, 5, 18, 14), 2, 2);
             QPainterPath hills;
             hills.moveTo(3.5, 17);
             hills.lineTo(9, 11);
             hills.lineTo(13, 15);
             hills.lineTo(15.5, 12.5);
             hills.lineTo(20.5, 17);
             p.drawPath(hills);
             QPainterPath sun;
             sun.addEllipse(QPointF(16, 9), 1.5, 1.5);
             fill(p, sun);
         }},
        {QStringLiteral("gearshape"),
         [](QPainter& p) {
             p.drawEllipse(QPointF(12, 12), 3, 3);
             QPainterPath teeth;
             for (int tooth = 0; tooth < 8; ++tooth) {
                 const double angle = tooth * std::numbers::pi / 4;
                 const QPointF along(std::cos(angle), std::sin(angle));
                 teeth.moveTo(QPointF(12, 12) + along * 6.5);
                 teeth.lineTo(QPointF(12, 12) + along * 9);
             }
             p.drawPath(teeth);
             p.drawEllipse(QPointF(12, 12), 6.5, 6.5);
         }},
        {QStringLiteral("arrow.clockwise"), [](QPainter& p) { circularArrow(p, 120, -300); }},
        {QStringLiteral("arrow.counterclockwise"), [](QPainter& p) { circularArrow(p, 60, 300); }},
        {QStringLiteral("clock.arrow.circlepath"),
         [](QPainter& p) {
             circularArrow(p, 200, -320);
             p.drawPath([] {
                 QPainterPath hands;
                 hands.moveTo(12, 8.5);
                 hands.lineTo(12, 12);
                 hands.lineTo(14.5, 13.5);
                 return hands;
             }());
         }},
        {QStringLiteral("arrow.uturn.backward.circle"),
         [](QPainter& p) {
             p.drawEllipse(QRectF(2.5, 2.5, 19, 19));
             QPainterPath path;
             path.moveTo(16, 16);
             path.lineTo(16, 12);
             path.arcTo(QRectF(8, 8, 8, 8), 0, 180);
             path.lineTo(8, 13);
             p.drawPath(path);
             p.drawPath([] {
                 QPainterPath head;
                 head.moveTo(5.5, 11);
                 head.lineTo(8, 13.5);
                 head.lineTo(10.5, 11);
                 return head;
             }());
         }},
    };
    return table;
}

} // namespace quorvane::PanelSymbols
