#include "editor_window/ChromeSymbols.h"

namespace quorvane::ChromeSymbols {
namespace {

using namespace SymbolStrokes;

// One of the copy symbol's pages.
QPainterPath page(double x, double y) {
    return roundedRect(QRectF(x, y, 11, 14), 2.2);
}

// Two stacked sheets seen at a slant, one of them drawn solid.
enum class Layer { top, bottom };

QPainterPath sheet(double y) {
    return closed({{12, y}, {21.5, y + 4.5}, {12, y + 9}, {2.5, y + 4.5}});
}

void twoLayers(QPainter& p, Layer filled) {
    const QPainterPath top = sheet(3);
    const QPainterPath bottom = sheet(11);
    if (filled == Layer::top) {
        strokeBehind(p, bottom, top, 1.6);
        fillWithPen(p, solid(p, top));
    } else {
        fillWithPen(p, behind(solid(p, bottom), top, 1.6));
        p.drawPath(top);
    }
}

// An open tray, the box of the share and save symbols, from x0 to x1 with its floor at y1.
QPainterPath tray(double x0, double y0, double x1, double y1, double opening) {
    return polyline({{x0 + opening, y0}, {x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}, {x1 - opening, y0}});
}

// The exclamation mark of the warning symbols: a bar and a dot.
QPainterPath exclamation(const QPainter& p) {
    QPainterPath bar = inked(p, polyline({{12, 9.5}, {12, 14}}));
    bar.addEllipse(QPointF(12, 17.2), 1.35, 1.35);
    return bar;
}

QPainterPath warningTriangle() {
    return closed({{12, 3.5}, {21.5, 20}, {2.5, 20}});
}

QPainterPath checkmark() {
    return polyline({{7.8, 12.4}, {10.8, 15.4}, {16.4, 8.8}});
}

QPainterPath disc() {
    QPainterPath path;
    path.addEllipse(QRectF(3, 3, 18, 18));
    return path;
}

// The padlock's body and shackle.
QPainterPath lockBody() {
    return roundedRect(QRectF(5, 11, 14, 10), 2);
}

void shackle(QPainter& p) {
    QPainterPath path;
    path.moveTo(8, 11);
    path.lineTo(8, 7.5);
    path.arcTo(QRectF(8, 3.5, 8, 8), 180, -180);
    path.lineTo(16, 11);
    p.drawPath(path);
}

// A landscape picture: a hill line and a sun inside `frame`.
void picture(QPainter& p, const QRectF& frame, double sunRadius) {
    const double x = frame.left();
    const double y = frame.top();
    const double w = frame.width();
    const double h = frame.height();
    p.drawPath(polyline({{x, y + h * 0.9},
                         {x + w * 0.35, y + h * 0.45},
                         {x + w * 0.6, y + h * 0.72},
                         {x + w * 0.75, y + h * 0.58},
                         {x + w, y + h * 0.9}}));
    QPainterPath sun;
    sun.addEllipse(QPointF(x + w * 0.3, y + h * 0.22 + sunRadius / 2), sunRadius, sunRadius);
    fillWithPen(p, sun);
}

} // namespace

const std::map<QString, Draw>& table() {
    static const std::map<QString, Draw> drawings = {
        // Copy: a page on top of another.
        {QStringLiteral("doc.on.doc"),
         [](QPainter& p) {
             const QPainterPath front = page(4, 7.5);
             strokeBehind(p, page(9.5, 2.5), front, 1.4);
             p.drawPath(front);
         }},
        // Save: an arrow down into a tray.
        {QStringLiteral("square.and.arrow.down"),
         [](QPainter& p) {
             p.drawPath(tray(4, 9.5, 20, 21, 3));
             p.drawLine(QPointF(12, 2.5), QPointF(12, 15));
             arrowHead(p, QPointF(12, 15.5), QPointF(8, 11.5), QPointF(16, 11.5));
         }},
        // Drag out: the share tray with its arrow up, over a second box behind it.
        {QStringLiteral("square.and.arrow.up.on.square"),
         [](QPainter& p) {
             p.drawPath(tray(3, 8.5, 15.5, 18.5, 3));
             p.drawLine(QPointF(9.25, 2), QPointF(9.25, 13));
             arrowHead(p, QPointF(9.25, 1.8), QPointF(6, 5), QPointF(12.5, 5));
             p.drawPath(polyline({{18.5, 11.5}, {20.5, 11.5}, {20.5, 21.5}, {7.5, 21.5}, {7.5, 20.5}}));
         }},
        // Backdrop: a picture in a wide mount.
        {QStringLiteral("photo.artframe"),
         [](QPainter& p) {
             p.drawRoundedRect(QRectF(2.5, 3.5, 19, 17), 1.5, 1.5);
             const QRectF inner(6.5, 7.5, 11, 9);
             p.drawRect(inner);
             picture(p, inner, 1.1);
         }},
        // Pin: a push pin leaning to the right, its point at the bottom left.
        {QStringLiteral("pin"),
         [](QPainter& p) {
             p.save();
             p.translate(12.5, 11.5);
             p.rotate(40);
             p.drawPath(closed({{-4, -10}, {4, -10}, {3, -7.5}, {-3, -7.5}}));
             p.drawPath(closed({{-3, -7.5}, {-2.6, -3}, {-6, 0}, {6, 0}, {2.6, -3}, {3, -7.5}}));
             p.drawLine(QPointF(0, 0), QPointF(0, 10));
             p.restore();
         }},
        // Recognise text: lines of text in a viewfinder.
        {QStringLiteral("text.viewfinder"),
         [](QPainter& p) {
             p.drawPath(polyline({{3, 8}, {3, 3}, {8, 3}}));
             p.drawPath(polyline({{16, 3}, {21, 3}, {21, 8}}));
             p.drawPath(polyline({{21, 16}, {21, 21}, {16, 21}}));
             p.drawPath(polyline({{8, 21}, {3, 21}, {3, 16}}));
             p.drawLine(QPointF(7.5, 8.5), QPointF(16.5, 8.5));
             p.drawLine(QPointF(7.5, 12), QPointF(16.5, 12));
             p.drawLine(QPointF(7.5, 15.5), QPointF(12.5, 15.5));
         }},
        {QStringLiteral("trash"),
         [](QPainter& p) {
             p.drawLine(QPointF(3.5, 6), QPointF(20.5, 6));
             p.drawPath(polyline({{9, 6}, {9, 3.5}, {15, 3.5}, {15, 6}}));
             QPainterPath can;
             can.moveTo(5.5, 6);
             can.lineTo(6.6, 19);
             can.quadTo(6.8, 21, 8.8, 21);
             can.lineTo(15.2, 21);
             can.quadTo(17.2, 21, 17.4, 19);
             can.lineTo(18.5, 6);
             p.drawPath(can);
             p.drawLine(QPointF(10, 10), QPointF(10.2, 17));
             p.drawLine(QPointF(14, 10), QPointF(13.8, 17));
         }},
        // Duplicate: a square with a plus over a second one.
        {QStringLiteral("plus.square.on.square"),
         [](QPainter& p) {
             const QPainterPath front = roundedRect(QRectF(3, 8, 13, 13), 2.2);
             strokeBehind(p, roundedRect(QRectF(8, 3, 13, 13), 2.2), front, 1.4);
             p.drawPath(front);
             p.drawLine(QPointF(9.5, 11), QPointF(9.5, 18));
             p.drawLine(QPointF(6, 14.5), QPointF(13, 14.5));
         }},
        {QStringLiteral("square.2.layers.3d.top.filled"), [](QPainter& p) { twoLayers(p, Layer::top); }},
        {QStringLiteral("square.2.layers.3d.bottom.filled"),
         [](QPainter& p) { twoLayers(p, Layer::bottom); }},
        {QStringLiteral("lock"),
         [](QPainter& p) {
             shackle(p);
             p.drawPath(lockBody());
             QPainterPath hole;
             hole.addEllipse(QPointF(12, 16), 1.3, 1.3);
             fillWithPen(p, hole);
         }},
        {QStringLiteral("lock.fill"),
         [](QPainter& p) {
             shackle(p);
             fillWithPen(p, solid(p, lockBody()));
         }},
        {QStringLiteral("exclamationmark.triangle"),
         [](QPainter& p) {
             p.drawPath(warningTriangle());
             fillWithPen(p, exclamation(p));
         }},
        // The filled forms cut their mark out of the solid shape, so it shows what lies beneath.
        {QStringLiteral("exclamationmark.triangle.fill"),
         [](QPainter& p) { fillWithPen(p, minus(solid(p, warningTriangle()), exclamation(p))); }},
        {QStringLiteral("checkmark.circle"),
         [](QPainter& p) {
             p.drawPath(disc());
             p.drawPath(checkmark());
         }},
        {QStringLiteral("checkmark.circle.fill"),
         [](QPainter& p) { fillWithPen(p, minus(solid(p, disc()), inked(p, checkmark()))); }},
        // Open an image: a picture with a plus at its corner.
        {QStringLiteral("photo.badge.plus"),
         [](QPainter& p) {
             QPainterPath badge;
             badge.addEllipse(QPointF(18.5, 5.5), 5, 5);
             const QRectF frame(2.5, 7, 15, 13);
             strokeBehind(p, roundedRect(frame, 2), badge, 0.2);
             picture(p, frame.adjusted(1.5, 1.5, -1.5, -1.5), 1.1);
             p.drawLine(QPointF(18.5, 2), QPointF(18.5, 9));
             p.drawLine(QPointF(15, 5.5), QPointF(22, 5.5));
         }},
        // Options: three sliders with their knobs at different places.
        {QStringLiteral("slider.horizontal.3"),
         [](QPainter& p) {
             QPainterPath knobs;
             const double knobAt[] = {15, 8, 13};
             for (int row = 0; row < 3; ++row) {
                 const double y = 6 + row * 6;
                 p.drawLine(QPointF(3, y), QPointF(21, y));
                 knobs.addEllipse(QPointF(knobAt[row], y), 2.6, 2.6);
             }
             fillWithPen(p, knobs);
         }},
    };
    return drawings;
}

} // namespace quorvane::ChromeSymbols
