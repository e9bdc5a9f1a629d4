#include "document/Annotation.h"

#include "core/Geometry.h"
#include "document/OverlayBudget.h"
#include "support/TestAnnotations.h"

#include <QImage>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <tuple>

using namespace quorvane;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
using K = AnnotationKind;

OverlayImageRef makeOverlay() {
    QImage image(4, 2, QImage::Format_ARGB32);
    image.fill(Qt::blue);
    return OverlayBudget::admit(image).value();
}

// A record that is valid for its kind, every field filled; arrows and brackets run from `start` to `end`.
Annotation make(AnnotationKind kind, QPointF start = {10, 20}, QPointF end = {110, 70}, double stroke = 3,
                std::optional<QPointF> bend = std::nullopt) {
    Annotation a =
        test::annotation(kind, kind == K::image ? QRectF(0, 0, 200, 100) : Annotation::bounds({start, end}),
                         QColor(200, 30, 40));
    a.start = start;
    a.end = end;
    a.strokeWidth = stroke;
    a.text = QStringLiteral("label");
    a.bend = bend;
    if (kind == K::freehand) a.points = {start, (start + end) / 2, end};
    if (kind == K::image) a.overlay = makeOverlay();
    return a;
}

std::vector<QPointF> points(const std::vector<double>& xy) {
    std::vector<QPointF> result;
    for (std::size_t i = 0; i + 1 < xy.size(); i += 2)
        result.emplace_back(xy[i], xy[i + 1]);
    return result;
}

::testing::AssertionResult nearAll(const std::vector<double>& actual, const std::vector<double>& expected) {
    for (std::size_t i = 0; i < actual.size(); ++i)
        if (!(std::abs(actual[i] - expected.at(i)) <= 1e-9))
            return ::testing::AssertionFailure() << "coordinate " << i << " is " << actual[i];
    return ::testing::AssertionSuccess();
}
::testing::AssertionResult near(const QPointF& p, const QPointF& e) {
    return nearAll({p.x(), p.y()}, {e.x(), e.y()});
}
::testing::AssertionResult near(const QRectF& r, const QRectF& e) {
    return nearAll({r.x(), r.y(), r.width(), r.height()}, {e.x(), e.y(), e.width(), e.height()});
}

// The path of `ops` through the x, y pairs `xy`: M(ove) and L(ine) take one point, Q(uad) two;
// compared as element types and coordinates, -0 read as 0.
void expectPath(const QPainterPath& actual, std::string_view ops, const std::vector<double>& xy) {
    const std::vector<QPointF> p = points(xy);
    QPainterPath expected;
    for (std::size_t i = 0; char op : ops) {
        if (op == 'M') expected.moveTo(p.at(i));
        if (op == 'L') expected.lineTo(p.at(i));
        if (op == 'Q') expected.quadTo(p.at(i), p.at(i + 1));
        i += op == 'Q' ? 2 : 1;
    }
    const auto describe = [](const QPainterPath& path) {
        std::string text;
        for (int i = 0; i < path.elementCount(); ++i)
            text += std::to_string(path.elementAt(i).type) + " " + std::to_string(path.elementAt(i).x + 0.0) +
                    "," + std::to_string(path.elementAt(i).y + 0.0) + "  ";
        return text;
    };
    EXPECT_EQ(describe(actual), describe(expected));
}

// `hits` and `misses` hold x, y pairs.
void expectHits(const Annotation& a, double tolerance, const std::vector<double>& hits,
                const std::vector<double>& misses) {
    for (const auto& [xy, hit] : {std::pair(hits, true), std::pair(misses, false)})
        for (const QPointF& p : points(xy))
            EXPECT_EQ(a.hitTest(p, tolerance), hit) << p.x() << ", " << p.y() << " tolerance " << tolerance;
}

} // namespace

TEST(AnnotationValidity, FiniteCoordinatesRangesAndEachKindsOwnGeometry) {
    // Each field with its inclusive limits and the nearest values outside them.
    const std::tuple<double Annotation::*, double, double, double, double> ranges[] = {
        {&Annotation::strokeWidth, 1, 100, 0.999, 100.5},
        {&Annotation::fontSize, 6, 300, 5.99, 301},
        {&Annotation::opacity, 0, 1, -0.01, 1.01},
        {&Annotation::magnification, 1, 8, 0.99, 8.01}};
    for (AnnotationKind kind : allAnnotationKinds) {
        SCOPED_TRACE(rawValue(kind).toStdString());
        const Annotation base = make(kind);
        // Coordinate `i` of the rect, start, end and bend (in that order) set to `v`; the rect counts
        // even for kinds that otherwise ignore it.
        const auto validWithCoordinate = [&](int i, double v) {
            const QRectF r = base.rect;
            double c[] = {r.x(), r.y(), r.width(), r.height(), 10, 20, 110, 70, -1e6, 1e6};
            c[i] = v;
            Annotation a = base;
            a.rect = QRectF(c[0], c[1], c[2], c[3]);
            a.start = QPointF(c[4], c[5]);
            a.end = QPointF(c[6], c[7]);
            a.bend = QPointF(c[8], c[9]);
            return a.isValid();
        };
        ASSERT_TRUE(validWithCoordinate(0, base.rect.x()));
        for (int i = 0; i < 10; ++i)
            for (double v : {kNaN, kInf, -kInf})
                EXPECT_FALSE(validWithCoordinate(i, v)) << "coordinate " << i << " " << v;
        // Finite origins and sizes whose maximum edge overflows, and the null rect.
        Annotation a = base;
        for (const QRectF& r : {QRectF(1e308, 0, 1e308, 10), QRectF(0, 1e308, 10, 1e308), geom::nullRect()})
            EXPECT_FALSE((a.rect = r, a.isValid()));
        for (const auto& [field, min, max, below, above] : ranges) {
            for (double v : {min, max})
                EXPECT_TRUE((a = base, a.*field = v, a.isValid())) << v;
            for (double v : {below, above, kNaN, kInf})
                EXPECT_FALSE((a = base, a.*field = v, a.isValid())) << v;
        }
        // Two-ended kinds need distinct ends, however close, and ignore the rect; freehand looks at
        // its points alone; every other kind needs a rect with area, read standardised.
        const bool ends = isBracket(kind) || kind == K::arrow, endKind = ends || kind == K::freehand;
        const auto validWith = [&](QPointF end, QRectF rect) {
            Annotation b = make(kind, {40, 40}, end);
            b.rect = rect;
            return b.isValid();
        };
        EXPECT_EQ(validWith({40, 40}, {0, 0, 500, 500}), !ends);
        EXPECT_EQ(validWith({40, 40}, {110, 70, -100, -50}), !ends);
        EXPECT_EQ(validWith({40 + 1e-12, 40}, {7, 7, 0, 0}), endKind);
        EXPECT_EQ(validWith({40, 39}, {10, 20, 0, 50}), endKind);
        EXPECT_EQ(validWith({41, 40}, {10, 20, 100, 0}), endKind);
    }
    Annotation freehand = make(K::freehand), image = make(K::image), counter = make(K::counter);
    for (const auto& xy :
         std::vector<std::vector<double>>{{}, {5, 5}, {5, 5, kNaN, 6, 7, 7}, {5, 5, 7, kInf}})
        EXPECT_FALSE((freehand.points = points(xy), freehand.isValid())) << xy.size();
    EXPECT_TRUE((freehand.points = points({5, 5, 5, 5}), freehand.isValid()));
    EXPECT_FALSE((image.overlay = nullptr, image.isValid()));
    for (std::int64_t number : {0, -3})
        EXPECT_FALSE((counter.number = number, counter.isValid())) << number;
}

TEST(AnnotationEquality, ComparesEveryFieldExactlyAndOverlaysByIdentity) {
    Annotation a = make(K::arrow, {10, 20}, {110, 70}, 3, QPointF(0, 0));
    a.points = {QPointF(1, 2), QPointF(3, 4)};
    a.overlay = makeOverlay();
    EXPECT_TRUE(a == Annotation(a));
    // Qt's own comparison would call the 1e-13 changes equal.
    ASSERT_TRUE(QRectF(10, 20, 100, 50) == QRectF(10 + 1e-13, 20, 100, 50));
    const std::vector<std::function<void(Annotation&)>> changes = {
        [](Annotation& b) { b.id = QUuid::createUuid(); }, [](Annotation& b) { b.kind = K::braceOpen; },
        [](Annotation& b) { b.rect.moveLeft(b.rect.x() + 1e-13); },
        [](Annotation& b) { b.rect.setHeight(b.rect.height() + 1e-13); },
        [](Annotation& b) { b.start.rx() += 1e-13; }, [](Annotation& b) { b.end.ry() += 1e-13; },
        [](Annotation& b) { b.color = QColor(200, 30, 41); }, [](Annotation& b) { b.strokeWidth += 1e-13; },
        [](Annotation& b) { b.fill = true; }, [](Annotation& b) { b.text = QStringLiteral("Label"); },
        [](Annotation& b) { b.fontSize = 25; }, [](Annotation& b) { b.points[1].rx() += 1e-13; },
        [](Annotation& b) { b.points.push_back(QPointF(3, 4)); }, [](Annotation& b) { b.opacity = 0.5; },
        [](Annotation& b) { b.number = 2; }, [](Annotation& b) { b.magnification = 3; },
        // No bend never matches a bend at the origin; an overlay with the same pixels is another one.
        [](Annotation& b) { b.bend.reset(); }, [](Annotation& b) { b.bend->ry() += 1e-13; },
        [](Annotation& b) { b.overlay.reset(); }, [](Annotation& b) { b.overlay = makeOverlay(); }};
    for (std::size_t i = 0; i < changes.size(); ++i) {
        Annotation b = a;
        changes[i](b);
        EXPECT_FALSE(a == b || b == a) << "change " << i;
    }
}

TEST(AnnotationMoves, TranslatedAlignedAndResizedFromTheMinimumCorner) {
    Annotation a = make(K::freehand);
    a.points = points({1, 2, -3, 4, 5, -6});
    a.bend = QPointF(7, 8);
    const Annotation moved = a.translated(-15.5, 30);
    EXPECT_TRUE(near(moved.rect, {-5.5, 50, 100, 50}) && near(moved.start, {-5.5, 50}) &&
                near(moved.end, {94.5, 100}) && near(*moved.bend, {-8.5, 38}));
    EXPECT_EQ(moved.points, points({-14.5, 32, -18.5, 34, -10.5, 24}));
    EXPECT_FALSE(make(K::arrow).translated(3, 3).bend.has_value());

    // Alignment reads the standardised rect and floors centres: floor(99 / 2) = 49, floor(60 / 2) = 30;
    // on the narrow canvas floor(-1 / 2) = -1.
    a.rect = QRectF(10, 20, 101, 40);
    Annotation flipped = a;
    flipped.rect = QRectF(111, 60, -101, -40);
    const QRectF canvas(0, 0, 200, 100), narrow(-30, 10, 100, 39);
    using A = CanvasAlignment;
    const std::tuple<A, QRectF, double, double> cases[] = {
        {A::left, canvas, -10, 0},   {A::center, canvas, 39, 0}, {A::right, canvas, 89, 0},
        {A::top, canvas, 0, -20},    {A::middle, canvas, 0, 10}, {A::bottom, canvas, 0, 40},
        {A::center, narrow, -41, 0}, {A::middle, narrow, 0, -11}};
    for (const auto& [alignment, area, dx, dy] : cases) {
        SCOPED_TRACE(rawValue(alignment).toStdString());
        EXPECT_TRUE(a.aligned(alignment, area) == a.translated(dx, dy));
        EXPECT_TRUE(flipped.aligned(alignment, area) == flipped.translated(dx, dy));
    }
    // Only the kept rect decides, even where the arrow lies elsewhere.
    Annotation arrow = make(K::arrow, {300, 300}, {400, 350});
    arrow.rect = QRectF(0, 0, 10, 10);
    EXPECT_TRUE(near(arrow.aligned(CanvasAlignment::left, QRectF(50, 0, 500, 500)).end, {450, 350}));

    a = make(K::freehand); // rect (10, 20, 100, 50), points along its diagonal
    const Annotation stretched = a.resized(QSizeF(200, 25));
    EXPECT_TRUE(near(stretched.rect, {10, 20, 200, 25}) && near(stretched.end, {210, 45}));
    EXPECT_EQ(stretched.points, points({10, 20, 110, 32.5, 210, 45}));
    // `ends` holds the new start, end and bend.
    const auto expectResized = [](Annotation original, const QRectF& rect, const QSizeF& size,
                                  const std::vector<double>& ends, const QRectF& bounds) {
        SCOPED_TRACE(rawValue(original.kind).toStdString() + " to " + std::to_string(size.width()));
        original.rect = rect;
        const Annotation r = original.resized(size);
        const std::vector<QPointF> p = points(ends);
        EXPECT_TRUE(near(r.start, p[0]) && near(r.end, p[1]));
        ASSERT_EQ(r.bend.has_value(), p.size() == 3);
        EXPECT_TRUE(!r.bend || near(*r.bend, p[2]));
        EXPECT_TRUE(near(r.rect, bounds));
    };
    // Points outside the rect scale about the same corner; below one pixel (a stale empty rect, say)
    // the divisor is one.
    expectResized(make(K::arrow, {-20, 30}, {0, 0}), {-10, -10, 20, 20}, {10, 40}, {-15, 70, -5, 10},
                  {-10, -10, 10, 40});
    expectResized(make(K::arrow, {2, 3}, {4, 7}), {0, 0, 0, 0}, {3, 5}, {6, 15, 12, 35}, {0, 0, 3, 5});
    // A vertical spine ignores the width and the depth follows the new length; length 100 makes depth 12.
    expectResized(make(K::bracketClose, {50, 10}, {50, 110}), {38, 10, 12, 100}, {12, 200}, {50, 10, 50, 210},
                  {26, 10, 24, 200});
    // The control box would be 50 high, the curve reaches half of it.
    expectResized(make(K::arrow, {0, 0}, {100, 0}, 3, QPointF(50, 100)), {0, 0, 100, 100}, {50, 50},
                  {0, 0, 50, 0, 25, 50}, {0, 0, 50, 25});
}

TEST(AnnotationMoves, ResizeTargetsKeepSquaresAndImageAspects) {
    // Counters and magnifiers stay square; images keep their aspect (the larger relative change wins;
    // scale 0.025 makes 5 x 2.5, and 2.5 rounds up) unless resized freely, and round half away to at
    // least one pixel. Without an area to keep, and for other kinds, the proposal passes through.
    const Annotation image = make(K::image), counter = make(K::counter), magnifier = make(K::magnifier),
                     rect = make(K::rectangle), text = make(K::text); // the image is 200 x 100
    Annotation flipped = image, flat = image;
    flipped.rect = QRectF(200, 100, -200, -100);
    flat.rect = QRectF(0, 0, 0, 100);
    const std::tuple<const Annotation&, double, double, bool, double, double> cases[] = {
        {counter, 30, 50, false, 50, 50},     {magnifier, 40.5, 12, true, 40.5, 40.5},
        {image, 300, 120, false, 300, 150},   {image, 300, 120, true, 300, 120},
        {image, 0.4, 0.4, false, 1, 1},       {image, 0.4, 0.4, true, 1, 1},
        {image, 2.5, 3.5, true, 3, 4},        {image, 2.4999, 3.49, true, 2, 3},
        {image, 5, 1, false, 5, 3},           {image, 100, 80, false, 160, 80},
        {flipped, 300, 120, false, 300, 150}, {flat, 300.4, 120.6, false, 300.4, 120.6},
        {rect, 33.3, 0.2, false, 33.3, 0.2},  {text, 33.3, 0.2, true, 33.3, 0.2}};
    for (const auto& [annotation, width, height, free, expectedWidth, expectedHeight] : cases) {
        const QSizeF got = annotation.resizeTarget(QSizeF(width, height), free);
        EXPECT_TRUE(geom::exactlyEqual(got, QSizeF(expectedWidth, expectedHeight)))
            << width << " x " << height << " gave " << got.width() << " x " << got.height();
    }
}

TEST(AnnotationHitTest, AreasByTheirRectOrEllipseAndStrokesByTheirPathsRefusingBadInput) {
    // Bad points and tolerances and invalid records never hit.
    Annotation a = make(K::rectangle), flat = a; // (10, 20, 100, 50)
    flat.rect.setHeight(0);
    expectHits(a, -0.0, {50, 40}, {kNaN, 40, 50, kInf});
    for (double tolerance : {-1.0, -1e-300, kInf, kNaN})
        expectHits(a, tolerance, {}, {50, 40});
    expectHits(flat, 10, {}, {50, 20});
    expectHits(make(K::arrow, {5, 5}, {5, 5}), 10, {}, {5, 5});
    for (AnnotationKind kind : {K::rectangle, K::text, K::counter, K::magnifier, K::spotlight}) {
        SCOPED_TRACE(rawValue(kind).toStdString());
        Annotation area = make(kind);
        area.rect = QRectF(0, 0, 100, 50);
        area.fill = true; // an oval spotlight still hits by its rect
        expectHits(area, 0, {0, 0, 99.9, 49.9}, {100, 25, 50, 50, -0.1, 25});
        expectHits(area, 5, {-5, -5, 104.9, 54.9}, {105, 25, 50, 55});
    }
    // On the ellipse counts, its right and bottom extremes too; tolerance grows it to (-10, -10, 120, 70).
    Annotation oval = make(K::oval);
    oval.rect = QRectF(0, 0, 100, 50);
    expectHits(oval, 0, {50, 25, 0, 25, 100, 25, 50, 50}, {1, 1, 99, 49, 50, 50.1});
    expectHits(oval, 10, {-9, 25, 109, 25, 50, 59.9}, {-9, -9});

    // Past its ends an arrow measures to the end point, not to the extended line; a tolerance below
    // half the stroke does not shrink it.
    const Annotation arrow = make(K::arrow, {0, 0}, {100, 0}, 4);
    expectHits(arrow, 0, {50, 2, 50, -2, 101.5, 0, -1.5, 1}, {50, 2.01, 103, 0, 150, 0, 102, 1, -2, 1});
    expectHits(arrow, 5, {50, 5}, {50, 5.01});
    expectHits(arrow, 0.5, {50, 1.9}, {});
    // A diagonal of length 50; (15, 20) moved 0.9 and 1.9 along the normal (0.8, -0.6).
    expectHits(make(K::arrow, {0, 0}, {30, 40}, 2), 0, {15.72, 19.46}, {16.6, 18.8});

    // The curve passes through (50, 50), away from its chord and its control point; round caps.
    const Annotation bent = make(K::arrow, {0, 0}, {100, 0}, 4, QPointF(50, 100));
    expectHits(bent, 0, {50, 50, 50, 51.5, 50, 48.5, -1, -1}, {50, 53, 50, 0, 50, 100, -2, -2});
    expectHits(bent, 5, {50, 54.5}, {50, 55.5});
    // The smoothing cuts the corner at (100, 0); the last half runs straight down x = 100.
    Annotation freehand = make(K::freehand);
    freehand.points = points({0, 0, 100, 0, 100, 100});
    freehand.strokeWidth = 4;
    expectHits(freehand, 0, {100, 75, 101.5, 75, 98.5, 75, 100, 101.5, 0, 0},
               {103, 75, 100, 103, 100, 0, 50, 50});
    // Two equal points make a round dot.
    freehand.points = points({10, 10, 10, 10});
    expectHits(freehand, 0, {10, 10, 11, 11}, {12, 12});
    expectHits(freehand, 3.5, {13, 10}, {});
    // Path (62, 10) - (50, 10) - (50, 110) - (62, 110), whatever the rect says.
    Annotation bracket = make(K::bracketOpen, {50, 10}, {50, 110}, 4);
    bracket.rect = QRectF(50, 10, 12, 100);
    expectHits(bracket, 0, {50, 60, 51.5, 60, 56, 11.5, 56, 108.5, 63.5, 110},
               {53, 60, 56, 60, 56, 13, 65, 110});
}

TEST(AnnotationPaths, BracketsAndBracesBothWaysBothOrientationsAndDepthLimits) {
    const auto path = [](AnnotationKind kind, double x0, double y0, double x1, double y1, double stroke) {
        return make(kind, {x0, y0}, {x1, y1}, stroke).bracketPath();
    };
    // Vertical, length 100, stroke 2: depth 12; the spine starts at the smaller y either way.
    expectPath(path(K::bracketOpen, 50, 110, 50, 10, 2), "MLLL", {62, 10, 50, 10, 50, 110, 62, 110});
    // Horizontal, length 200: depth 24; the cross coordinate is the start's.
    expectPath(path(K::bracketClose, 10, 40, 210, 45, 2), "MLLL", {10, 16, 10, 40, 210, 40, 210, 16});
    // Exactly diagonal counts as vertical; a little flatter, horizontal.
    expectPath(path(K::bracketOpen, 0, 0, 100, 100, 2), "MLLL", {12, 0, 0, 0, 0, 100, 12, 100});
    expectPath(path(K::bracketOpen, 0, 0, 100.5, 100, 2), "MLLL", {0, 12.06, 0, 0, 100.5, 0, 100.5, 12.06});
    // The depth is capped at stroke × 8 + 16 and floored at stroke × 3.
    expectPath(path(K::bracketOpen, 0, 0, 0, 1000, 2), "MLLL", {32, 0, 0, 0, 0, 1000, 32, 1000});
    expectPath(path(K::bracketClose, 5, 0, 5, 20, 5), "MLLL", {-10, 0, 5, 0, 5, 20, -10, 20});
    // Braces: corner 12 and half depth 6 here; an open one bulges towards larger coordinates, a close one
    // towards smaller ones.
    expectPath(path(K::braceOpen, 50, 10, 50, 110, 2), "MQLQQLQ",
               {62, 10, 56, 10, 56, 22, 56, 48, 56, 60, 50, 60, 56, 60, 56, 72, 56, 98, 56, 110, 62, 110});
    expectPath(
        path(K::braceClose, 10, 40, 210, 40, 2), "MQLQQLQ",
        {10, 16, 10, 28, 34, 28, 86, 28, 110, 28, 110, 40, 110, 28, 134, 28, 186, 28, 210, 28, 210, 16});
    // Length 40, stroke 4: depth floored to 12, corner limited to a quarter of the length.
    expectPath(path(K::braceOpen, 140, 0, 100, 0, 4), "MQLQQLQ",
               {100, 12, 100, 6, 110, 6, 110, 6, 120, 6, 120, 0, 120, 6, 130, 6, 130, 6, 140, 6, 140, 12});

    // Freehand paths smooth through the midpoints and end on the last point.
    Annotation a = make(K::freehand);
    for (const auto& [xy, ops, expected] :
         std::vector<std::tuple<std::vector<double>, std::string, std::vector<double>>>{
             {std::vector<double>(), "", {}},
             {{7, -3}, "ML", {7, -3, 7, -3}},
             {{0, 0, 10, 0, 20, 10, 30, 10}, "MQQL", {0, 0, 10, 0, 15, 5, 20, 10, 25, 10, 30, 10}}}) {
        a.points = points(xy);
        expectPath(a.freehandPath(), ops, expected);
    }
    EXPECT_TRUE(geom::isNull(Annotation::bounds({})));
    EXPECT_TRUE(near(Annotation::bounds(points({3, -2, -1, 5, 4, 1})), {-1, -2, 5, 7}));
}

TEST(AnnotationBending, BentThroughAPointAndArcedToTheSideOfTheTrail) {
    EXPECT_TRUE(near(make(K::arrow, {0, 0}, {100, 40}).arrowMidpoint(), {50, 20}));
    const Annotation curved = make(K::arrow, {0, 0}, {100, 0}, 3, QPointF(50, 100));
    // Through x, y: the bend (NaN for none) and the curve's bounds, not the control box. Within half a
    // pixel of the chord's midpoint, by distance, the control lies within a pixel of it: straight. Control
    // (110, -60): x peaks at t = 11/12 with 605/6, y bottoms out at -30; control (20, 60): only y adds an
    // extreme.
    const std::tuple<double, double, double, double, double, double, double> cases[] = {
        {50, 0.49, kNaN, kNaN, 0, 0, 100},        {50.3, -0.3, kNaN, kNaN, 0, 0, 100},
        {50.4, -0.4, 50.8, -0.8, -0.4, 0.4, 100}, {50, 50, 50, 100, 0, 50, 100},
        {80, -30, 110, -60, -30, 30, 605.0 / 6},  {35, 30, 20, 60, 0, 30, 100}};
    for (const auto& [x, y, bendX, bendY, minY, height, width] : cases) {
        SCOPED_TRACE(testing::Message() << x << ", " << y);
        const Annotation b = curved.bent(QPointF(x, y));
        ASSERT_EQ(b.bend.has_value(), !std::isnan(bendX));
        EXPECT_TRUE(!b.bend || (near(*b.bend, {bendX, bendY}) && near(b.arrowMidpoint(), {x, y})));
        EXPECT_TRUE(near(b.rect, {0, minY, width, height}));
        EXPECT_TRUE(b.id == curved.id && geom::exactlyEqual(b.end, curved.end));
    }

    // Chord (100, 0): the default side is the normal (0, -1), up on screen. Up to two pixels below the
    // chord stays on the default side; only the middle 90 % of the chord counts; the largest offset
    // decides, on a tie the first one.
    const Annotation a = make(K::arrow, {0, 0}, {100, 0});
    const auto bendFor = [&](const std::vector<double>& trail, double amount = 0.22) {
        return a.arced(points(trail), amount).bend.value_or(QPointF(kNaN, kNaN));
    };
    EXPECT_TRUE(near(bendFor({}, 0.5), {50, -100}));
    // The bend's y, then the trail.
    for (const std::vector<double>& c :
         std::vector<std::vector<double>>{{-44},
                                          {-44, 50, 1.9, 30, 2.0},
                                          {44, 50, 2.01},
                                          {44, 5.1, 50},
                                          {44, 40, -5, 60, 8},
                                          {-44, 40, -8, 60, 8},
                                          {-44, 3, 50, 5, 50, 95, 50, 97, 50, -20, 50}})
        EXPECT_TRUE(near(bendFor({c.begin() + 1, c.end()}), {50, c[0]})) << c.size() << " numbers";
    const Annotation plain = a.arced({}, 0.22);
    EXPECT_TRUE(near(plain.rect, {0, -22, 100, 22}) && near(plain.arrowMidpoint(), {50, -22}));
    // A downward chord's normal points to +x; the arc scales with the chord's length.
    const Annotation vertical = make(K::arrow, {0, 0}, {0, 50});
    EXPECT_TRUE(near(vertical.arced({}, 0.22).bend.value_or(QPointF()), {22, 25}));
    EXPECT_TRUE(near(vertical.arced({QPointF(-10, 25)}, 0.22).bend.value_or(QPointF()), {-22, 25}));
    // No chord, no change, whatever the trail.
    Annotation degenerate = make(K::arrow, {5, 5}, {5, 5}, 3, QPointF(9, 9));
    degenerate.rect = QRectF(1, 2, 3, 4);
    EXPECT_TRUE(degenerate.arced({QPointF(50, 50)}, 0.22) == degenerate);
}
