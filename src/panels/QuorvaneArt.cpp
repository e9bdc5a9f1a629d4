#include "panels/QuorvaneArt.h"

#include <QPainter>
#include <QPixmap>
#include <cmath>
#include <numbers>

namespace quorvane::QuorvaneArt {

QPointF point(const std::array<QPointF, 4>& spine, double t) {
    const double s = 1 - t;
    return s * s * s * spine[0] + 3 * t * s * s * spine[1] + 3 * t * t * s * spine[2] + t * t * t * spine[3];
}

FrondSamples samples(const Frond& frond, const QRectF& rect, int steps) {
    steps = std::max(steps, 0);
    std::array<QPointF, 4> spine;
    for (std::size_t i = 0; i < spine.size(); ++i)
        spine[i] = QPointF(rect.left() + frond.spine[i].x() * rect.width(),
                           rect.top() + frond.spine[i].y() * rect.height());
    const double m = std::min(rect.width(), rect.height());
    const double b = frond.bladeStart;
    FrondSamples out;
    for (int i = 0; i <= steps; ++i) {
        // With no intervals the one sample sits at the base.
        const double t = steps == 0 ? 0.0 : double(i) / steps;
        const QPointF p = point(spine, t);
        const QPointF a = point(spine, std::min(t + 0.002, 1.0));
        const QPointF c = point(spine, std::max(t - 0.002, 0.0));
        const QPointF n(-(a.y() - c.y()), a.x() - c.x());
        const double l = std::max(std::hypot(n.x(), n.y()), 0.0001);
        // The stem overlaps the blade's base a little.
        if (t <= b + 0.02) out.stem.push_back(p);
        if (t >= b) {
            const double u = (t - b) / (1 - b);
            const double envelope = std::pow(std::sin(std::numbers::pi * u), 0.6);
            const double w = (1 - 0.2 * u) * envelope * m * frond.width;
            const double r = 0.22 * std::sin(frond.phase + 2 * std::numbers::pi * u * frond.ruffles);
            out.sideA.push_back(p + n / l * w * (1 + r));
            out.sideB.push_back(p - n / l * w * (1 - r) * 0.9);
        }
    }
    return out;
}

FrondPaths paths(const Frond& frond, const QRectF& rect, int steps) {
    const FrondSamples points = samples(frond, rect, steps);
    FrondPaths out;
    for (std::size_t i = 0; i < points.sideA.size(); ++i)
        i == 0 ? out.blade.moveTo(points.sideA[i]) : out.blade.lineTo(points.sideA[i]);
    for (auto it = points.sideB.rbegin(); it != points.sideB.rend(); ++it)
        out.blade.lineTo(*it);
    if (!points.sideA.empty()) out.blade.closeSubpath();
    for (std::size_t i = 0; i < points.stem.size(); ++i)
        i == 0 ? out.stem.moveTo(points.stem[i]) : out.stem.lineTo(points.stem[i]);
    return out;
}

const std::array<Frond, 2>& iconFronds() {
    static const std::array<Frond, 2> fronds = {
        Frond{{QPointF(0.26, 1.0), QPointF(0.06, 0.66), QPointF(0.40, 0.33), QPointF(0.18, 0.0)},
              0.18,
              2.5,
              0,
              0.1},
        Frond{{QPointF(0.70, 1.0), QPointF(0.92, 0.62), QPointF(0.60, 0.30), QPointF(0.82, 0.0)},
              0.19,
              2.5,
              1.6,
              0.1},
    };
    return fronds;
}

bool drawMenuBarImage(QPainter* painter, const QRectF& rect, const QColor& ink) {
    if (painter == nullptr || !painter->isActive()) return false;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    // The image's own 18-point space, whatever size it is drawn at.
    painter->translate(rect.topLeft());
    painter->scale(rect.width() / menuBarSide, rect.height() / menuBarSide);
    QPen pen(ink, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    const QRectF r = QRectF(0, 0, menuBarSide, menuBarSide).adjusted(1, 1, -1, -1);
    QPainterPath corners;
    const auto bracket = [&corners](QPointF from, QPointF corner, QPointF to) {
        corners.moveTo(from);
        corners.lineTo(corner);
        corners.lineTo(to);
    };
    bracket({r.left(), r.top() + 4}, r.topLeft(), {r.left() + 4, r.top()});
    bracket({r.right(), r.top() + 4}, {r.right(), r.top()}, {r.right() - 4, r.top()});
    bracket({r.left(), r.bottom() - 4}, {r.left(), r.bottom()}, {r.left() + 4, r.bottom()});
    bracket({r.right(), r.bottom() - 4}, {r.right(), r.bottom()}, {r.right() - 4, r.bottom()});
    painter->drawPath(corners);
    pen.setWidthF(1);
    painter->setPen(pen);
    for (const Frond& frond : iconFronds()) {
        const FrondPaths frondPaths = paths(frond, QRectF(4, 3.5, 10, 12));
        painter->fillPath(frondPaths.blade, ink);
        painter->drawPath(frondPaths.stem);
    }
    painter->restore();
    return true;
}

QIcon menuBarIcon(ColorScheme panel) {
    const QColor ink = panel == ColorScheme::dark ? QColor(245, 245, 245) : QColor(24, 24, 24);
    QIcon icon;
    for (int scale : {1, 2, 3}) {
        const int side = int(menuBarSide) * scale;
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        drawMenuBarImage(&painter, QRectF(0, 0, side, side), ink);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace quorvane::QuorvaneArt
