#pragma once

// The program's artwork, drawn in code: a ruffled seaweed frond on a short stem that grows
// along a curved spine. The tray icon and the home view's backdrop share the geometry.

#include "panels/ColorScheme.h"

#include <QIcon>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <array>
#include <vector>

class QPainter;

namespace quorvane::QuorvaneArt {

struct Frond {
    // A cubic Bézier in unit coordinates of the target rectangle (x from its left, y from its
    // top), base first; every frond here grows from y = 1 up to y = 0.
    std::array<QPointF, 4> spine;
    // Half-width at the widest, as a fraction of the rectangle's shorter side.
    double width = 0;
    double ruffles = 0;
    double phase = 0;
    // Curve parameter where the blade begins; below it only the stem shows.
    double bladeStart = 0;

    bool operator==(const Frond&) const = default;
};

// The sampled outline: both sides of the blade in curve order, and the stem's points.
struct FrondSamples {
    std::vector<QPointF> sideA;
    std::vector<QPointF> sideB;
    std::vector<QPointF> stem;
};

struct FrondPaths {
    QPainterPath blade;
    QPainterPath stem;
};

inline constexpr int defaultSteps = 160;
inline constexpr double menuBarSide = 18;

QPointF point(const std::array<QPointF, 4>& spine, double t);
// `steps` intervals, steps + 1 samples; a negative count counts as 0.
FrondSamples samples(const Frond& frond, const QRectF& rect, int steps = defaultSteps);
FrondPaths paths(const Frond& frond, const QRectF& rect, int steps = defaultSteps);

const std::array<Frond, 2>& iconFronds();

// Draws the 18 × 18 point tray image into `rect` in `ink`: four viewfinder corners around two
// small fronds. False, drawing nothing, without an active painter.
bool drawMenuBarImage(QPainter* painter, const QRectF& rect, const QColor& ink);
// The tray icon for a panel of this scheme (dark ink on light panels, light ink on dark ones):
// Linux trays do not tint template images.
QIcon menuBarIcon(ColorScheme panel);

} // namespace quorvane::QuorvaneArt
