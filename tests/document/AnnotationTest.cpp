#include "document/Annotation.h"

#include "document/OverlayBudget.h"
#include "platform/Geometry.h"

#include <QImage>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace quorvane;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A record that is valid for its kind, every field filled.
Annotation make(AnnotationKind kind) {
    Annotation a;
    a.id = QUuid::createUuid();
    a.kind = kind;
    a.rect = QRectF(10, 20, 100, 50);
    a.start = QPointF(10, 20);
    a.end = QPointF(110, 70);
    a.color = QColor(200, 30, 40);
    a.strokeWidth = 3;
    a.fill = false;
    a.text = QStringLiteral("label");
    a.fontSize = 24;
    a.opacity = 1;
    a.number = 1;
    a.magnification = 2;
    if (kind == AnnotationKind::freehand) a.points = {QPointF(10, 20), QPointF(60, 45), QPointF(110, 70)};
    return a;
}

OverlayImageRef makeOverlay() {
    QImage image(4, 2, QImage::Format_ARGB32);
    image.fill(Qt::blue);
    auto result = OverlayBudget::admit(image);
    EXPECT_TRUE(result.ok());
    return result.ok() ? result.value() : nullptr;
}

Annotation makeImage() {
    Annotation a = make(AnnotationKind::image);
    a.rect = QRectF(0, 0, 200, 100);
    a.start = QPointF(0, 0);
    a.end = QPointF(200, 100);
    a.overlay = makeOverlay();
    return a;
}

Annotation makeArrow(QPointF start, QPointF end, std::optional<QPointF> bend = std::nullopt) {
    Annotation a = make(AnnotationKind::arrow);
    a.start = start;
    a.end = end;
    a.bend = bend;
    a.rect = Annotation::bounds({start, end});
    return a;
}

Annotation makeBracket(AnnotationKind kind, QPointF start, QPointF end, double strokeWidth) {
    Annotation a = make(kind);
    a.start = start;
    a.end = end;
    a.strokeWidth = strokeWidth;
    return a;
}

void expectRect(const QRectF& r, double x, double y, double w, double h) {
    EXPECT_EQ(r.x(), x);
    EXPECT_EQ(r.y(), y);
    EXPECT_EQ(r.width(), w);
    EXPECT_EQ(r.height(), h);
}

void expectRectNear(const QRectF& r, double x, double y, double w, double h, double eps = 1e-9) {
    EXPECT_NEAR(r.x(), x, eps);
    EXPECT_NEAR(r.y(), y, eps);
    EXPECT_NEAR(r.width(), w, eps);
    EXPECT_NEAR(r.height(), h, eps);
}

void expectPoint(const QPointF& p, double x, double y) {
    EXPECT_EQ(p.x(), x);
    EXPECT_EQ(p.y(), y);
}

void expectPointNear(const QPointF& p, double x, double y, double eps = 1e-9) {
    EXPECT_NEAR(p.x(), x, eps);
    EXPECT_NEAR(p.y(), y, eps);
}

// Same element types in the same order at the same coordinates.
void expectSamePath(const QPainterPath& actual, const QPainterPath& expected) {
    ASSERT_EQ(actual.elementCount(), expected.elementCount());
    for (int i = 0; i < actual.elementCount(); ++i) {
        const auto a = actual.elementAt(i), e = expected.elementAt(i);
        EXPECT_EQ(a.type, e.type) << "element " << i;
        EXPECT_NEAR(a.x, e.x, 1e-9) << "element " << i;
        EXPECT_NEAR(a.y, e.y, 1e-9) << "element " << i;
    }
}

QPainterPath lines(std::initializer_list<QPointF> points) {
    QPainterPath path;
    auto it = points.begin();
    path.moveTo(*it);
    for (++it; it != points.end(); ++it)
        path.lineTo(*it);
    return path;
}

} // namespace

TEST(AnnotationValidity, NonFiniteFieldsMakeAnyKindInvalid) {
    for (AnnotationKind kind : {AnnotationKind::rectangle, AnnotationKind::arrow, AnnotationKind::freehand}) {
        const Annotation base = make(kind);
        ASSERT_TRUE(base.isValid()) << rawValue(kind).toStdString();

        auto invalidWith = [&](auto change) {
            Annotation a = base;
            change(a);
            return !a.isValid();
        };
        // The rect counts here even for kinds whose rect is otherwise ignored.
        EXPECT_TRUE(invalidWith([](Annotation& a) { a.rect.setX(kNaN); }));
        EXPECT_TRUE(invalidWith([](Annotation& a) { a.rect.moveTop(kInf); }));
        EXPECT_TRUE(invalidWith([](Annotation& a) { a.rect.setWidth(kInf); }));
        EXPECT_TRUE(invalidWith([](Annotation& a) { a.rect.setHeight(kNaN); }));
        // Finite origin and size whose maximum edge overflows.
        EXPECT_TRUE(invalidWith([](Annotation& a) { a.rect = QRectF(1e308, 0, 1e308, 10); }));
        EXPECT_TRUE(invalidWith([](Annotation& a) { a.rect = QRectF(0, 1e308, 10, 1e308); }));
        EXPECT_TRUE(invalidWith([](Annotation& a) { a.rect = geom::nullRect(); }));
        EXPECT_TRUE(invalidWith([](Annotation& a) { a.start.setX(kNaN); }));
        EXPECT_TRUE(invalidWith([](Annotation& a) { a.end.setY(-kInf); }));
        EXPECT_TRUE(invalidWith([](Annotation& a) { a.strokeWidth = kNaN; }));
        EXPECT_TRUE(invalidWith([](Annotation& a) { a.fontSize = kInf; }));
        EXPECT_TRUE(invalidWith([](Annotation& a) { a.opacity = kNaN; }));
        EXPECT_TRUE(invalidWith([](Annotation& a) { a.magnification = kInf; }));
        EXPECT_TRUE(invalidWith([](Annotation& a) { a.bend = QPointF(kNaN, 0); }));
        EXPECT_TRUE(invalidWith([](Annotation& a) { a.bend = QPointF(0, kInf); }));
        EXPECT_FALSE(invalidWith([](Annotation& a) { a.bend = QPointF(-1e6, 1e6); }));
    }
}

TEST(AnnotationValidity, NumericRangesAreInclusiveForEveryKind) {
    for (AnnotationKind kind : allAnnotationKinds) {
        Annotation base = kind == AnnotationKind::image ? makeImage() : make(kind);
        ASSERT_TRUE(base.isValid()) << rawValue(kind).toStdString();
        auto validWith = [&](double Annotation::*field, double value) {
            Annotation a = base;
            a.*field = value;
            return a.isValid();
        };
        SCOPED_TRACE(rawValue(kind).toStdString());
        EXPECT_TRUE(validWith(&Annotation::strokeWidth, 1));
        EXPECT_FALSE(validWith(&Annotation::strokeWidth, 0.999));
        EXPECT_TRUE(validWith(&Annotation::strokeWidth, 100));
        EXPECT_FALSE(validWith(&Annotation::strokeWidth, 100.5));
        EXPECT_TRUE(validWith(&Annotation::fontSize, 6));
        EXPECT_FALSE(validWith(&Annotation::fontSize, 5.99));
        EXPECT_TRUE(validWith(&Annotation::fontSize, 300));
        EXPECT_FALSE(validWith(&Annotation::fontSize, 301));
        EXPECT_TRUE(validWith(&Annotation::opacity, 0));
        EXPECT_TRUE(validWith(&Annotation::opacity, 1));
        EXPECT_FALSE(validWith(&Annotation::opacity, -0.01));
        EXPECT_FALSE(validWith(&Annotation::opacity, 1.01));
        EXPECT_TRUE(validWith(&Annotation::magnification, 1));
        EXPECT_FALSE(validWith(&Annotation::magnification, 0.99));
        EXPECT_TRUE(validWith(&Annotation::magnification, 8));
        EXPECT_FALSE(validWith(&Annotation::magnification, 8.01));
    }
}

TEST(AnnotationValidity, ArrowsAndBracketsNeedDistinctEndsAndIgnoreTheRect) {
    for (AnnotationKind kind :
         {AnnotationKind::arrow, AnnotationKind::bracketOpen, AnnotationKind::bracketClose,
          AnnotationKind::braceOpen, AnnotationKind::braceClose}) {
        SCOPED_TRACE(rawValue(kind).toStdString());
        Annotation a = make(kind);
        a.start = a.end = QPointF(40, 40);
        a.rect = QRectF(0, 0, 500, 500);
        EXPECT_FALSE(a.isValid());

        a.end = QPointF(41, 40);
        a.rect = QRectF(7, 7, 0, 0);
        EXPECT_TRUE(a.isValid());
        a.end = QPointF(40, 39);
        EXPECT_TRUE(a.isValid());
        // A tiny but real difference is enough.
        a.end = QPointF(40 + 1e-12, 40);
        EXPECT_TRUE(a.isValid());
    }
}

TEST(AnnotationValidity, FreehandNeedsTwoFinitePoints) {
    Annotation a = make(AnnotationKind::freehand);
    a.points = {};
    EXPECT_FALSE(a.isValid());
    a.points = {QPointF(5, 5)};
    EXPECT_FALSE(a.isValid());
    a.points = {QPointF(5, 5), QPointF(5, 5)};
    EXPECT_TRUE(a.isValid());
    a.rect = QRectF(0, 0, 0, 0); // not looked at
    EXPECT_TRUE(a.isValid());
    a.points = {QPointF(5, 5), QPointF(kNaN, 6), QPointF(7, 7)};
    EXPECT_FALSE(a.isValid());
    a.points = {QPointF(5, 5), QPointF(6, 6), QPointF(7, kInf)};
    EXPECT_FALSE(a.isValid());
}

TEST(AnnotationValidity, AreaKindsNeedAPositiveRect) {
    Annotation image = makeImage();
    EXPECT_TRUE(image.isValid());
    image.overlay.reset();
    EXPECT_FALSE(image.isValid());
    image = makeImage();
    image.rect.setWidth(0);
    EXPECT_FALSE(image.isValid());

    Annotation counter = make(AnnotationKind::counter);
    EXPECT_TRUE(counter.isValid());
    counter.number = 0;
    EXPECT_FALSE(counter.isValid());
    counter.number = -3;
    EXPECT_FALSE(counter.isValid());
    counter.number = 1;
    counter.rect.setHeight(0);
    EXPECT_FALSE(counter.isValid());

    for (AnnotationKind kind :
         {AnnotationKind::rectangle, AnnotationKind::oval, AnnotationKind::text, AnnotationKind::redact,
          AnnotationKind::blur, AnnotationKind::pixelate, AnnotationKind::highlight,
          AnnotationKind::spotlight, AnnotationKind::magnifier, AnnotationKind::erase}) {
        SCOPED_TRACE(rawValue(kind).toStdString());
        Annotation a = make(kind);
        a.text.clear();
        EXPECT_TRUE(a.isValid());
        // Sizes are read standardised.
        a.rect = QRectF(110, 70, -100, -50);
        EXPECT_TRUE(a.isValid());
        a.rect = QRectF(10, 20, 0, 50);
        EXPECT_FALSE(a.isValid());
        a.rect = QRectF(10, 20, 100, 0);
        EXPECT_FALSE(a.isValid());
        // Start and end do not matter for these kinds.
        a.rect = QRectF(10, 20, 100, 50);
        a.start = a.end;
        EXPECT_TRUE(a.isValid());
    }
}

TEST(AnnotationEquality, ComparesEveryFieldExactly) {
    Annotation a = make(AnnotationKind::arrow);
    a.points = {QPointF(1, 2), QPointF(3, 4)};
    a.bend = QPointF(60, 10);
    a.overlay = makeOverlay();
    const Annotation copy = a;
    EXPECT_TRUE(a == copy);
    EXPECT_FALSE(a != copy);

    auto differs = [&](auto change) {
        Annotation b = a;
        change(b);
        return !(a == b) && !(b == a);
    };
    EXPECT_TRUE(differs([](Annotation& b) { b.id = QUuid::createUuid(); }));
    EXPECT_TRUE(differs([](Annotation& b) { b.kind = AnnotationKind::braceOpen; }));
    // Qt's own comparison would call these equal.
    ASSERT_TRUE(QRectF(10, 20, 100, 50) == QRectF(10 + 1e-13, 20, 100, 50));
    EXPECT_TRUE(differs([](Annotation& b) { b.rect.moveLeft(b.rect.x() + 1e-13); }));
    EXPECT_TRUE(differs([](Annotation& b) { b.rect.setHeight(b.rect.height() + 1e-13); }));
    EXPECT_TRUE(differs([](Annotation& b) { b.start.rx() += 1e-13; }));
    EXPECT_TRUE(differs([](Annotation& b) { b.end.ry() += 1e-13; }));
    EXPECT_TRUE(differs([](Annotation& b) { b.color = QColor(200, 30, 41); }));
    EXPECT_TRUE(differs([](Annotation& b) { b.strokeWidth += 1e-13; }));
    EXPECT_TRUE(differs([](Annotation& b) { b.fill = true; }));
    EXPECT_TRUE(differs([](Annotation& b) { b.text = QStringLiteral("Label"); }));
    EXPECT_TRUE(differs([](Annotation& b) { b.fontSize = 25; }));
    EXPECT_TRUE(differs([](Annotation& b) { b.points[1].rx() += 1e-13; }));
    EXPECT_TRUE(differs([](Annotation& b) { b.points.push_back(QPointF(3, 4)); }));
    EXPECT_TRUE(differs([](Annotation& b) { b.points.clear(); }));
    EXPECT_TRUE(differs([](Annotation& b) { b.opacity = 0.5; }));
    EXPECT_TRUE(differs([](Annotation& b) { b.number = 2; }));
    EXPECT_TRUE(differs([](Annotation& b) { b.magnification = 3; }));
    EXPECT_TRUE(differs([](Annotation& b) { b.bend.reset(); }));
    EXPECT_TRUE(differs([](Annotation& b) { b.bend->ry() += 1e-13; }));

    // Overlays compare by identity, not by their pixels.
    EXPECT_TRUE(differs([](Annotation& b) { b.overlay.reset(); }));
    EXPECT_TRUE(differs([](Annotation& b) { b.overlay = makeOverlay(); }));
    Annotation noOverlay = a, otherNoOverlay = a;
    noOverlay.overlay.reset();
    otherNoOverlay.overlay.reset();
    EXPECT_TRUE(noOverlay == otherNoOverlay);

    // Two straight arrows are equal; no bend never matches a bend.
    Annotation straight = a, otherStraight = a;
    straight.bend.reset();
    otherStraight.bend.reset();
    EXPECT_TRUE(straight == otherStraight);
    otherStraight.bend = QPointF(0, 0);
    EXPECT_FALSE(straight == otherStraight);
}

TEST(AnnotationTranslated, MovesEveryPointTheBendAndTheRect) {
    Annotation a = make(AnnotationKind::freehand);
    a.points = {QPointF(1, 2), QPointF(-3, 4), QPointF(5, -6)};
    a.bend = QPointF(7, 8);
    const Annotation before = a;

    const Annotation moved = a.translated(-15.5, 30);
    expectRect(moved.rect, -5.5, 50, 100, 50);
    expectPoint(moved.start, -5.5, 50);
    expectPoint(moved.end, 94.5, 100);
    ASSERT_EQ(moved.points.size(), 3u);
    expectPoint(moved.points[0], -14.5, 32);
    expectPoint(moved.points[1], -18.5, 34);
    expectPoint(moved.points[2], -10.5, 24);
    ASSERT_TRUE(moved.bend.has_value());
    expectPoint(*moved.bend, -8.5, 38);
    EXPECT_TRUE(a == before);

    // Nothing else changes.
    Annotation expected = before;
    expected.rect = moved.rect;
    expected.start = moved.start;
    expected.end = moved.end;
    expected.points = moved.points;
    expected.bend = moved.bend;
    EXPECT_TRUE(moved == expected);

    // A straight record stays straight; a zero move is the identity.
    a.bend.reset();
    EXPECT_FALSE(a.translated(3, 3).bend.has_value());
    EXPECT_TRUE(a.translated(0, 0) == a);
}

TEST(AnnotationResized, ScalesFromTheMinimumCorner) {
    Annotation a = make(AnnotationKind::freehand);
    a.points = {QPointF(10, 20), QPointF(60, 45), QPointF(110, 70)};
    const Annotation before = a;

    const Annotation r = a.resized(QSizeF(200, 25));
    expectRect(r.rect, 10, 20, 200, 25);
    expectPoint(r.start, 10, 20);
    expectPoint(r.end, 210, 45);
    ASSERT_EQ(r.points.size(), 3u);
    expectPoint(r.points[0], 10, 20);
    expectPoint(r.points[1], 110, 32.5);
    expectPoint(r.points[2], 210, 45);
    EXPECT_FALSE(r.bend.has_value());
    EXPECT_TRUE(a == before);
    EXPECT_EQ(r.id, a.id);
    EXPECT_EQ(r.text, a.text);

    // Points outside the rect scale about the same corner.
    Annotation outside = make(AnnotationKind::rectangle);
    outside.rect = QRectF(-10, -10, 20, 20);
    outside.start = QPointF(-20, 30);
    outside.end = QPointF(0, 0);
    const Annotation o = outside.resized(QSizeF(10, 40));
    expectRect(o.rect, -10, -10, 10, 40);
    expectPoint(o.start, -15, 70);
    expectPoint(o.end, -5, 10);
}

TEST(AnnotationResized, EmptyOrTinyRectsDivideByOne) {
    // A stale empty rect: the scale is the new size itself.
    Annotation a = makeArrow(QPointF(2, 3), QPointF(4, 7));
    a.rect = QRectF(0, 0, 0, 0);
    const Annotation r = a.resized(QSizeF(3, 5));
    expectRect(r.rect, 0, 0, 3, 5);
    expectPoint(r.start, 6, 15);
    expectPoint(r.end, 12, 35);

    Annotation thin = make(AnnotationKind::rectangle);
    thin.rect = QRectF(10, 10, 0.5, 4);
    thin.start = QPointF(11, 14);
    thin.end = QPointF(10, 10);
    const Annotation t = thin.resized(QSizeF(2, 8));
    expectRect(t.rect, 10, 10, 2, 8);
    expectPoint(t.start, 12, 18);
}

TEST(AnnotationResized, BracketsTakeTheBoundsOfTheirNewPath) {
    Annotation open = makeBracket(AnnotationKind::bracketOpen, QPointF(50, 10), QPointF(50, 110), 3);
    open.rect = QRectF(50, 10, 12, 100);
    // Width stretches nothing: the spine's x is the corner's, and depth follows the new length.
    const Annotation o = open.resized(QSizeF(100, 200));
    expectPoint(o.start, 50, 10);
    expectPoint(o.end, 50, 210);
    expectRect(o.rect, 50, 10, 24, 200);

    Annotation close = makeBracket(AnnotationKind::bracketClose, QPointF(50, 10), QPointF(50, 110), 3);
    close.rect = QRectF(38, 10, 12, 100);
    const Annotation c = close.resized(QSizeF(12, 200));
    expectPoint(c.start, 50, 10);
    expectPoint(c.end, 50, 210);
    expectRect(c.rect, 26, 10, 24, 200);

    Annotation brace = makeBracket(AnnotationKind::braceClose, QPointF(10, 40), QPointF(210, 40), 2);
    brace.rect = QRectF(10, 16, 200, 24);
    const Annotation b = brace.resized(QSizeF(100, 24));
    expectPoint(b.start, 10, 40);
    expectPoint(b.end, 110, 40);
    // Length 100: depth 12 upward from the spine.
    expectRectNear(b.rect, 10, 28, 100, 12);
}

TEST(AnnotationResized, BentArrowsTakeTheCurveBoundsNotTheControlBox) {
    // The control point box would be 100 high; the curve only reaches y = 50.
    Annotation a = makeArrow(QPointF(0, 0), QPointF(100, 0), QPointF(50, 100));
    a.rect = QRectF(0, 0, 100, 100);
    expectRectNear(a.resized(QSizeF(100, 100)).rect, 0, 0, 100, 50);

    const Annotation r = a.resized(QSizeF(50, 50));
    expectPoint(r.start, 0, 0);
    expectPoint(r.end, 50, 0);
    ASSERT_TRUE(r.bend.has_value());
    expectPoint(*r.bend, 25, 50);
    expectRectNear(r.rect, 0, 0, 50, 25);

    // An extremum in x past the end.
    Annotation wide = makeArrow(QPointF(0, 0), QPointF(100, 0), QPointF(150, 100));
    wide.rect = QRectF(0, 0, 150, 100);
    const Annotation w = wide.resized(QSizeF(300, 200));
    expectPoint(*w.bend, 300, 200);
    expectRectNear(w.rect, 0, 0, 225, 100);
}

TEST(AnnotationResizeTarget, SquaresKeepsImageAspectAndRoundsHalfAway) {
    const Annotation counter = make(AnnotationKind::counter);
    const QSizeF c = counter.resizeTarget(QSizeF(30, 50), false);
    EXPECT_EQ(c.width(), 50);
    EXPECT_EQ(c.height(), 50);
    const QSizeF m = make(AnnotationKind::magnifier).resizeTarget(QSizeF(40.5, 12), true);
    EXPECT_EQ(m.width(), 40.5);
    EXPECT_EQ(m.height(), 40.5);

    const Annotation image = makeImage(); // 200 x 100
    auto target = [&](const Annotation& a, double w, double h, bool free) {
        return a.resizeTarget(QSizeF(w, h), free);
    };
    EXPECT_TRUE(geom::exactlyEqual(target(image, 300, 120, false), QSizeF(300, 150)));
    EXPECT_TRUE(geom::exactlyEqual(target(image, 300, 120, true), QSizeF(300, 120)));
    EXPECT_TRUE(geom::exactlyEqual(target(image, 0.4, 0.4, false), QSizeF(1, 1)));
    EXPECT_TRUE(geom::exactlyEqual(target(image, 0.4, 0.4, true), QSizeF(1, 1)));
    EXPECT_TRUE(geom::exactlyEqual(target(image, 2.5, 3.5, true), QSizeF(3, 4)));
    EXPECT_TRUE(geom::exactlyEqual(target(image, 2.4999, 3.49, true), QSizeF(2, 3)));
    // Scale 0.025: 5 x 2.5, and 2.5 rounds up.
    EXPECT_TRUE(geom::exactlyEqual(target(image, 5, 1, false), QSizeF(5, 3)));
    // The larger relative change wins.
    EXPECT_TRUE(geom::exactlyEqual(target(image, 100, 80, false), QSizeF(160, 80)));

    // A flipped rect keeps the same aspect.
    Annotation flipped = image;
    flipped.rect = QRectF(200, 100, -200, -100);
    EXPECT_TRUE(geom::exactlyEqual(target(flipped, 300, 120, false), QSizeF(300, 150)));

    // Without an area to keep, and for other kinds, the proposal passes through.
    Annotation emptyImage = image;
    emptyImage.rect = QRectF(0, 0, 0, 100);
    EXPECT_TRUE(geom::exactlyEqual(target(emptyImage, 300.4, 120.6, false), QSizeF(300.4, 120.6)));
    EXPECT_TRUE(
        geom::exactlyEqual(target(make(AnnotationKind::rectangle), 33.3, 0.2, false), QSizeF(33.3, 0.2)));
    EXPECT_TRUE(geom::exactlyEqual(target(make(AnnotationKind::text), 33.3, 0.2, true), QSizeF(33.3, 0.2)));
}

TEST(AnnotationAligned, AllSixAlignmentsMoveByTheRect) {
    Annotation a = make(AnnotationKind::freehand);
    a.rect = QRectF(10, 20, 101, 40);
    a.points = {QPointF(10, 20), QPointF(111, 60)};
    a.bend = QPointF(0, 0);
    const QRectF canvas(0, 0, 200, 100);

    struct Case {
        CanvasAlignment alignment;
        double dx, dy;
    };
    // Centre: floor(99 / 2) = 49; middle: floor(60 / 2) = 30.
    for (const Case& c : {Case{CanvasAlignment::left, -10, 0}, Case{CanvasAlignment::center, 39, 0},
                          Case{CanvasAlignment::right, 89, 0}, Case{CanvasAlignment::top, 0, -20},
                          Case{CanvasAlignment::middle, 0, 10}, Case{CanvasAlignment::bottom, 0, 40}}) {
        SCOPED_TRACE(rawValue(c.alignment).toStdString());
        const Annotation moved = a.aligned(c.alignment, canvas);
        EXPECT_TRUE(moved == a.translated(c.dx, c.dy));
    }
    EXPECT_EQ(a.aligned(CanvasAlignment::center, canvas).rect.x(), 49);

    // The floor goes toward negative infinity when the canvas is the smaller one.
    const QRectF narrow(-30, 10, 100, 39);
    expectRect(a.aligned(CanvasAlignment::center, narrow).rect, -31, 20, 101, 40);
    expectRect(a.aligned(CanvasAlignment::middle, narrow).rect, 10, 9, 101, 40);
    expectRect(a.aligned(CanvasAlignment::right, narrow).rect, -31, 20, 101, 40);
    expectRect(a.aligned(CanvasAlignment::bottom, narrow).rect, 10, 9, 101, 40);

    // A flipped rect is read standardised.
    Annotation flipped = make(AnnotationKind::rectangle);
    flipped.rect = QRectF(111, 60, -101, -40);
    EXPECT_TRUE(geom::exactlyEqual(geom::standardized(flipped.aligned(CanvasAlignment::left, canvas).rect),
                                   QRectF(0, 20, 101, 40)));
    EXPECT_TRUE(geom::exactlyEqual(geom::standardized(flipped.aligned(CanvasAlignment::center, canvas).rect),
                                   QRectF(49, 20, 101, 40)));
    EXPECT_TRUE(geom::exactlyEqual(geom::standardized(flipped.aligned(CanvasAlignment::right, canvas).rect),
                                   QRectF(99, 20, 101, 40)));
    EXPECT_TRUE(geom::exactlyEqual(geom::standardized(flipped.aligned(CanvasAlignment::middle, canvas).rect),
                                   QRectF(10, 30, 101, 40)));
    EXPECT_TRUE(geom::exactlyEqual(geom::standardized(flipped.aligned(CanvasAlignment::bottom, canvas).rect),
                                   QRectF(10, 60, 101, 40)));

    // Only the kept rect decides, even where the arrow lies elsewhere.
    Annotation arrow = makeArrow(QPointF(300, 300), QPointF(400, 350));
    arrow.rect = QRectF(0, 0, 10, 10);
    const Annotation left = arrow.aligned(CanvasAlignment::left, QRectF(50, 0, 500, 500));
    expectPoint(left.start, 350, 300);
    expectPoint(left.end, 450, 350);
}

TEST(AnnotationHitTest, RejectsBadToleranceBadPointsAndInvalidRecords) {
    const Annotation a = make(AnnotationKind::rectangle); // (10, 20, 100, 50)
    const QPointF inside(50, 40);
    EXPECT_TRUE(a.hitTest(inside, 0));
    EXPECT_TRUE(a.hitTest(inside, -0.0));
    EXPECT_FALSE(a.hitTest(inside, -1));
    EXPECT_FALSE(a.hitTest(inside, -1e-300));
    EXPECT_FALSE(a.hitTest(inside, kInf));
    EXPECT_FALSE(a.hitTest(inside, kNaN));
    EXPECT_FALSE(a.hitTest(QPointF(kNaN, 40), 5));
    EXPECT_FALSE(a.hitTest(QPointF(50, kInf), 5));

    Annotation flat = a;
    flat.rect.setHeight(0);
    EXPECT_FALSE(flat.hitTest(QPointF(50, 20), 10));
    Annotation dot = makeArrow(QPointF(5, 5), QPointF(5, 5));
    EXPECT_FALSE(dot.hitTest(QPointF(5, 5), 10));
    Annotation thick = a;
    thick.strokeWidth = 101;
    EXPECT_FALSE(thick.hitTest(inside, 0));
}

TEST(AnnotationHitTest, RectsExcludeTheirMaxEdgesAndGrowByTolerance) {
    for (AnnotationKind kind : {AnnotationKind::rectangle, AnnotationKind::text, AnnotationKind::counter,
                                AnnotationKind::magnifier, AnnotationKind::spotlight}) {
        SCOPED_TRACE(rawValue(kind).toStdString());
        Annotation a = make(kind);
        a.rect = QRectF(0, 0, 100, 50);
        a.fill = true; // an oval spotlight still hits by its rect
        EXPECT_TRUE(a.hitTest(QPointF(0, 0), 0));
        EXPECT_TRUE(a.hitTest(QPointF(1, 1), 0));
        EXPECT_TRUE(a.hitTest(QPointF(99.9, 49.9), 0));
        EXPECT_FALSE(a.hitTest(QPointF(100, 25), 0));
        EXPECT_FALSE(a.hitTest(QPointF(50, 50), -0.0));
        EXPECT_FALSE(a.hitTest(QPointF(-0.1, 25), 0));
        EXPECT_TRUE(a.hitTest(QPointF(-5, -5), 5));
        EXPECT_TRUE(a.hitTest(QPointF(104.9, 54.9), 5));
        EXPECT_FALSE(a.hitTest(QPointF(105, 25), 5));
        EXPECT_FALSE(a.hitTest(QPointF(50, 55), 5));
    }
}

TEST(AnnotationHitTest, OvalsHitInsideTheEllipseOnly) {
    Annotation a = make(AnnotationKind::oval);
    a.rect = QRectF(0, 0, 100, 50);
    EXPECT_TRUE(a.hitTest(QPointF(50, 25), 0));
    EXPECT_FALSE(a.hitTest(QPointF(1, 1), 0));
    EXPECT_FALSE(a.hitTest(QPointF(99, 49), 0));
    // On the ellipse counts, including the right and bottom extremes.
    EXPECT_TRUE(a.hitTest(QPointF(0, 25), 0));
    EXPECT_TRUE(a.hitTest(QPointF(100, 25), 0));
    EXPECT_TRUE(a.hitTest(QPointF(50, 50), 0));
    EXPECT_FALSE(a.hitTest(QPointF(50, 50.1), 0));
    // Grown to (-10, -10, 120, 70).
    EXPECT_TRUE(a.hitTest(QPointF(-9, 25), 10));
    EXPECT_TRUE(a.hitTest(QPointF(109, 25), 10));
    EXPECT_TRUE(a.hitTest(QPointF(50, 59.9), 10));
    EXPECT_FALSE(a.hitTest(QPointF(-9, -9), 10));
}

TEST(AnnotationHitTest, StraightArrowsMeasureToTheClampedSegment) {
    Annotation a = makeArrow(QPointF(0, 0), QPointF(100, 0));
    a.strokeWidth = 4;
    EXPECT_TRUE(a.hitTest(QPointF(50, 2), 0));
    EXPECT_TRUE(a.hitTest(QPointF(50, -2), 0));
    EXPECT_FALSE(a.hitTest(QPointF(50, 2.01), 0));
    EXPECT_TRUE(a.hitTest(QPointF(50, 5), 5));
    EXPECT_FALSE(a.hitTest(QPointF(50, 5.01), 5));
    // A tolerance below half the stroke does not shrink it.
    EXPECT_TRUE(a.hitTest(QPointF(50, 1.9), 0.5));
    // Past the ends the distance is to the end point, not to the extended line.
    EXPECT_TRUE(a.hitTest(QPointF(101.5, 0), 0));
    EXPECT_FALSE(a.hitTest(QPointF(103, 0), 0));
    EXPECT_FALSE(a.hitTest(QPointF(150, 0), 0));
    EXPECT_FALSE(a.hitTest(QPointF(102, 1), 0));
    EXPECT_TRUE(a.hitTest(QPointF(-1.5, 1), 0));
    EXPECT_FALSE(a.hitTest(QPointF(-2, 1), 0));

    // A diagonal, length 50.
    Annotation d = makeArrow(QPointF(0, 0), QPointF(30, 40));
    d.strokeWidth = 2;
    // (15, 20) moved 0.9 along the normal (0.8, -0.6).
    EXPECT_TRUE(d.hitTest(QPointF(15.72, 19.46), 0));
    EXPECT_FALSE(d.hitTest(QPointF(16.6, 18.8), 0));
}

TEST(AnnotationHitTest, BentArrowsStrokeTheCurve) {
    // The curve passes through (50, 50), well away from its chord and its control point.
    Annotation a = makeArrow(QPointF(0, 0), QPointF(100, 0), QPointF(50, 100));
    a.strokeWidth = 4;
    ASSERT_TRUE(a.isValid());
    EXPECT_TRUE(a.hitTest(QPointF(50, 50), 0));
    EXPECT_TRUE(a.hitTest(QPointF(50, 51.5), 0));
    EXPECT_TRUE(a.hitTest(QPointF(50, 48.5), 0));
    EXPECT_FALSE(a.hitTest(QPointF(50, 53), 0));
    EXPECT_FALSE(a.hitTest(QPointF(50, 0), 0));
    EXPECT_FALSE(a.hitTest(QPointF(50, 100), 0));
    // Tolerance widens the stroke to twice its value.
    EXPECT_TRUE(a.hitTest(QPointF(50, 54.5), 5));
    EXPECT_FALSE(a.hitTest(QPointF(50, 55.5), 5));
    // Round caps at the ends.
    EXPECT_TRUE(a.hitTest(QPointF(-1, -1), 0));
    EXPECT_FALSE(a.hitTest(QPointF(-2, -2), 0));
}

TEST(AnnotationHitTest, FreehandStrokesTheSmoothedPath) {
    Annotation a = make(AnnotationKind::freehand);
    a.points = {QPointF(0, 0), QPointF(100, 0), QPointF(100, 100)};
    a.strokeWidth = 4;
    // The last half is a straight line from (100, 50) to (100, 100).
    EXPECT_TRUE(a.hitTest(QPointF(100, 75), 0));
    EXPECT_TRUE(a.hitTest(QPointF(101.5, 75), 0));
    EXPECT_TRUE(a.hitTest(QPointF(98.5, 75), 0));
    EXPECT_FALSE(a.hitTest(QPointF(103, 75), 0));
    EXPECT_TRUE(a.hitTest(QPointF(104.5, 75), 5));
    EXPECT_FALSE(a.hitTest(QPointF(105.5, 75), 5));
    EXPECT_TRUE(a.hitTest(QPointF(100, 101.5), 0));
    EXPECT_FALSE(a.hitTest(QPointF(100, 103), 0));
    // The smoothing cuts the corner: the middle point itself is far from the stroke.
    EXPECT_FALSE(a.hitTest(QPointF(100, 0), 0));
    EXPECT_TRUE(a.hitTest(QPointF(0, 0), 0));
    EXPECT_FALSE(a.hitTest(QPointF(50, 50), 0));

    // Two equal points make a round dot.
    Annotation dot = make(AnnotationKind::freehand);
    dot.points = {QPointF(10, 10), QPointF(10, 10)};
    dot.strokeWidth = 4;
    EXPECT_TRUE(dot.hitTest(QPointF(10, 10), 0));
    EXPECT_TRUE(dot.hitTest(QPointF(11, 11), 0));
    EXPECT_FALSE(dot.hitTest(QPointF(12, 12), 0));
    EXPECT_TRUE(dot.hitTest(QPointF(13, 10), 3.5));
}

TEST(AnnotationHitTest, BracketsStrokeTheirPathNotTheirRect) {
    // Path (62, 10) - (50, 10) - (50, 110) - (62, 110).
    Annotation a = makeBracket(AnnotationKind::bracketOpen, QPointF(50, 10), QPointF(50, 110), 4);
    a.rect = QRectF(50, 10, 12, 100);
    EXPECT_TRUE(a.hitTest(QPointF(50, 60), 0));
    EXPECT_TRUE(a.hitTest(QPointF(51.5, 60), 0));
    EXPECT_FALSE(a.hitTest(QPointF(53, 60), 0));
    EXPECT_FALSE(a.hitTest(QPointF(56, 60), 0));
    EXPECT_TRUE(a.hitTest(QPointF(54.5, 60), 5));
    EXPECT_TRUE(a.hitTest(QPointF(56, 11.5), 0));
    EXPECT_FALSE(a.hitTest(QPointF(56, 13), 0));
    EXPECT_TRUE(a.hitTest(QPointF(56, 108.5), 0));
    EXPECT_TRUE(a.hitTest(QPointF(63.5, 110), 0));
    EXPECT_FALSE(a.hitTest(QPointF(65, 110), 0));

    // A close brace bulges the other way: left of its spine.
    Annotation brace = makeBracket(AnnotationKind::braceClose, QPointF(50, 10), QPointF(50, 110), 4);
    EXPECT_TRUE(brace.hitTest(QPointF(50, 60), 0));
    EXPECT_TRUE(brace.hitTest(QPointF(44, 40), 0));
    EXPECT_FALSE(brace.hitTest(QPointF(56, 40), 0));
}

TEST(AnnotationBracketPath, SquareBracketsBothWaysAndBothOrientations) {
    // Vertical, length 100, stroke 2: depth max(min(12, 32), 6) = 12. The spine starts at the
    // smaller y whichever end is the start.
    const auto open = makeBracket(AnnotationKind::bracketOpen, QPointF(50, 110), QPointF(50, 10), 2);
    expectSamePath(open.bracketPath(), lines({{62, 10}, {50, 10}, {50, 110}, {62, 110}}));
    const auto close = makeBracket(AnnotationKind::bracketClose, QPointF(50, 10), QPointF(50, 110), 2);
    expectSamePath(close.bracketPath(), lines({{38, 10}, {50, 10}, {50, 110}, {38, 110}}));

    // Horizontal, length 200: depth min(24, 32) = 24; the cross coordinate is the start's.
    const auto hOpen = makeBracket(AnnotationKind::bracketOpen, QPointF(210, 40), QPointF(10, 45), 2);
    expectSamePath(hOpen.bracketPath(), lines({{10, 64}, {10, 40}, {210, 40}, {210, 64}}));
    const auto hClose = makeBracket(AnnotationKind::bracketClose, QPointF(10, 40), QPointF(210, 45), 2);
    expectSamePath(hClose.bracketPath(), lines({{10, 16}, {10, 40}, {210, 40}, {210, 16}}));

    // Exactly diagonal counts as vertical.
    const auto diagonal = makeBracket(AnnotationKind::bracketOpen, QPointF(0, 0), QPointF(100, 100), 2);
    expectSamePath(diagonal.bracketPath(), lines({{12, 0}, {0, 0}, {0, 100}, {12, 100}}));
    const auto nearlyDiagonal =
        makeBracket(AnnotationKind::bracketOpen, QPointF(0, 0), QPointF(100.5, 100), 2);
    expectSamePath(nearlyDiagonal.bracketPath(), lines({{0, 12.06}, {0, 0}, {100.5, 0}, {100.5, 12.06}}));

    // Depth limits: capped at stroke × 8 + 16, floored at stroke × 3.
    const auto longOne = makeBracket(AnnotationKind::bracketOpen, QPointF(0, 0), QPointF(0, 1000), 2);
    expectSamePath(longOne.bracketPath(), lines({{32, 0}, {0, 0}, {0, 1000}, {32, 1000}}));
    const auto shortOne = makeBracket(AnnotationKind::bracketClose, QPointF(5, 0), QPointF(5, 20), 5);
    expectSamePath(shortOne.bracketPath(), lines({{-10, 0}, {5, 0}, {5, 20}, {-10, 20}}));
}

TEST(AnnotationBracketPath, BracesBothWaysAndBothOrientations) {
    // Vertical open brace, length 100, stroke 2: depth 12, corner 12, half depth at x = 56.
    {
        const auto brace = makeBracket(AnnotationKind::braceOpen, QPointF(50, 10), QPointF(50, 110), 2);
        QPainterPath expected;
        expected.moveTo(62, 10);
        expected.quadTo(QPointF(56, 10), QPointF(56, 22));
        expected.lineTo(56, 48);
        expected.quadTo(QPointF(56, 60), QPointF(50, 60));
        expected.quadTo(QPointF(56, 60), QPointF(56, 72));
        expected.lineTo(56, 98);
        expected.quadTo(QPointF(56, 110), QPointF(62, 110));
        expectSamePath(brace.bracketPath(), expected);
    }
    // Vertical close brace points left.
    {
        const auto brace = makeBracket(AnnotationKind::braceClose, QPointF(50, 110), QPointF(50, 10), 2);
        QPainterPath expected;
        expected.moveTo(38, 10);
        expected.quadTo(QPointF(44, 10), QPointF(44, 22));
        expected.lineTo(44, 48);
        expected.quadTo(QPointF(44, 60), QPointF(50, 60));
        expected.quadTo(QPointF(44, 60), QPointF(44, 72));
        expected.lineTo(44, 98);
        expected.quadTo(QPointF(44, 110), QPointF(38, 110));
        expectSamePath(brace.bracketPath(), expected);
    }
    // Horizontal close brace, length 200: depth 24 upward, corner 24, half depth at y = 28.
    {
        const auto brace = makeBracket(AnnotationKind::braceClose, QPointF(10, 40), QPointF(210, 40), 2);
        QPainterPath expected;
        expected.moveTo(10, 16);
        expected.quadTo(QPointF(10, 28), QPointF(34, 28));
        expected.lineTo(86, 28);
        expected.quadTo(QPointF(110, 28), QPointF(110, 40));
        expected.quadTo(QPointF(110, 28), QPointF(134, 28));
        expected.lineTo(186, 28);
        expected.quadTo(QPointF(210, 28), QPointF(210, 16));
        expectSamePath(brace.bracketPath(), expected);
    }
    // Horizontal open brace points down; a short one has its corner limited to a quarter.
    {
        const auto brace = makeBracket(AnnotationKind::braceOpen, QPointF(140, 0), QPointF(100, 0), 4);
        // Length 40: depth max(4.8, 12) = 12, corner min(12, 10) = 10.
        const QPainterPath path = brace.bracketPath();
        ASSERT_GE(path.elementCount(), 4);
        EXPECT_EQ(path.elementAt(0).x, 100);
        EXPECT_EQ(path.elementAt(0).y, 12);
        EXPECT_NEAR(path.elementAt(3).x, 110, 1e-9);
        EXPECT_NEAR(path.elementAt(3).y, 6, 1e-9);
        const QRectF box = path.boundingRect();
        expectRectNear(box, 100, 0, 40, 12);
        // The tip touches the spine at its middle.
        bool tip = false;
        for (int i = 0; i < path.elementCount(); ++i)
            tip = tip || (path.elementAt(i).x == 120 && path.elementAt(i).y == 0);
        EXPECT_TRUE(tip);
        const auto last = path.elementAt(path.elementCount() - 1);
        EXPECT_EQ(last.x, 140);
        EXPECT_EQ(last.y, 12);
    }
}

TEST(AnnotationBending, MidpointAndBentThrough) {
    Annotation a = makeArrow(QPointF(0, 0), QPointF(100, 40));
    expectPoint(a.arrowMidpoint(), 50, 20);
    a.bend = QPointF(20, -60);
    expectPoint(a.arrowMidpoint(), 35, -20);

    const Annotation straight = makeArrow(QPointF(0, 0), QPointF(100, 0), QPointF(50, 100));
    // Through the chord's midpoint, or within half a pixel of it: straight again.
    for (const QPointF& p : {QPointF(50, 0), QPointF(50, 0.49), QPointF(50.3, -0.3)}) {
        const Annotation b = straight.bent(p);
        EXPECT_FALSE(b.bend.has_value());
        expectRect(b.rect, 0, 0, 100, 0);
    }
    // One pixel away exactly keeps the curve.
    const Annotation edge = straight.bent(QPointF(50, 0.5));
    ASSERT_TRUE(edge.bend.has_value());
    expectPoint(*edge.bend, 50, 1);
    expectRectNear(edge.rect, 0, 0, 100, 0.5);

    // The curve passes through the point; its bounds are the curve's, not the control box.
    const Annotation down = straight.bent(QPointF(50, 50));
    ASSERT_TRUE(down.bend.has_value());
    expectPoint(*down.bend, 50, 100);
    expectRectNear(down.rect, 0, 0, 100, 50);
    expectPoint(down.arrowMidpoint(), 50, 50);

    // Control (110, -60): x peaks at t = 11/12 with 605/6, y bottoms out at -30.
    const Annotation up = straight.bent(QPointF(80, -30));
    ASSERT_TRUE(up.bend.has_value());
    expectPoint(*up.bend, 110, -60);
    expectRectNear(up.rect, 0, -30, 605.0 / 6, 30);
    expectPointNear(up.arrowMidpoint(), 80, -30);
    // Control (20, 60): x runs monotonically from 0 to 100, so only y adds an extreme.
    const Annotation early = straight.bent(QPointF(35, 30));
    ASSERT_TRUE(early.bend.has_value());
    expectPoint(*early.bend, 20, 60);
    expectRectNear(early.rect, 0, 0, 100, 30);
    EXPECT_EQ(up.id, straight.id);
    expectPoint(up.start, 0, 0);
    expectPoint(up.end, 100, 0);
}

TEST(AnnotationBending, ArcedPicksTheSideOfTheTrail) {
    // Chord (100, 0): normal (0, -1), i.e. up on screen.
    const Annotation a = makeArrow(QPointF(0, 0), QPointF(100, 0));
    auto bendOf = [&](const std::vector<QPointF>& trail, double amount = 0.22) {
        const Annotation r = a.arced(trail, amount);
        EXPECT_TRUE(r.bend.has_value());
        return r.bend.value_or(QPointF(kNaN, kNaN));
    };
    const QPointF up(50, -44), down(50, 44);

    const Annotation empty = a.arced({}, 0.22);
    ASSERT_TRUE(empty.bend.has_value());
    expectPointNear(*empty.bend, 50, -44);
    expectRectNear(empty.rect, 0, -22, 100, 22);
    expectPointNear(empty.arrowMidpoint(), 50, -22);

    // Small offsets below the chord stay on the default side.
    expectPointNear(bendOf({QPointF(50, 1.9), QPointF(30, 2.0)}), up.x(), up.y());
    expectPointNear(bendOf({QPointF(50, 10)}), down.x(), down.y());
    expectPointNear(bendOf({QPointF(50, 2.01)}), down.x(), down.y());
    expectPointNear(bendOf({QPointF(50, -10)}), up.x(), up.y());
    // Only the middle 90 % of the chord counts.
    expectPointNear(bendOf({QPointF(3, 50), QPointF(5, 50), QPointF(95, 50), QPointF(97, 50),
                            QPointF(-20, 50), QPointF(150, 50)}),
                    up.x(), up.y());
    expectPointNear(bendOf({QPointF(5.1, 50)}), down.x(), down.y());
    // The largest offset decides; on a tie the first one.
    expectPointNear(bendOf({QPointF(40, -5), QPointF(60, 8)}), down.x(), down.y());
    expectPointNear(bendOf({QPointF(40, -9), QPointF(60, 8)}), up.x(), up.y());
    expectPointNear(bendOf({QPointF(40, -8), QPointF(60, 8)}), up.x(), up.y());
    expectPointNear(bendOf({QPointF(60, 8), QPointF(40, -8)}), down.x(), down.y());
    expectPointNear(bendOf({}, 0.5), 50, -100);

    // A downward chord's normal points to +x.
    const Annotation vertical = makeArrow(QPointF(0, 0), QPointF(0, 100)).arced({}, 0.22);
    ASSERT_TRUE(vertical.bend.has_value());
    expectPointNear(*vertical.bend, 44, 50);
    expectRectNear(vertical.rect, 0, 0, 22, 100);
    const Annotation leftward = makeArrow(QPointF(0, 0), QPointF(0, 100)).arced({QPointF(-10, 50)}, 0.22);
    expectPointNear(leftward.bend.value_or(QPointF()), -44, 50);

    // No chord, no change, whatever the trail.
    Annotation degenerate = makeArrow(QPointF(5, 5), QPointF(5, 5), QPointF(9, 9));
    degenerate.rect = QRectF(1, 2, 3, 4);
    EXPECT_TRUE(degenerate.arced({QPointF(50, 50)}, 0.22) == degenerate);
    EXPECT_TRUE(degenerate.arced({}, 0.22) == degenerate);
}

TEST(AnnotationFreehandPath, ElementStructure) {
    Annotation a = make(AnnotationKind::freehand);
    a.points = {};
    EXPECT_EQ(a.freehandPath().elementCount(), 0);

    // One point: the path starts there and goes nowhere.
    a.points = {QPointF(7, -3)};
    const QPainterPath one = a.freehandPath();
    ASSERT_GE(one.elementCount(), 1);
    EXPECT_EQ(one.elementAt(0).type, QPainterPath::MoveToElement);
    for (int i = 0; i < one.elementCount(); ++i) {
        EXPECT_EQ(one.elementAt(i).x, 7);
        EXPECT_EQ(one.elementAt(i).y, -3);
    }
    EXPECT_EQ(one.length(), 0);

    a.points = {QPointF(0, 0), QPointF(10, 5)};
    expectSamePath(a.freehandPath(), lines({{0, 0}, {10, 5}}));

    a.points = {QPointF(0, 0), QPointF(10, 0), QPointF(10, 10)};
    QPainterPath three;
    three.moveTo(0, 0);
    three.quadTo(QPointF(10, 0), QPointF(10, 5));
    three.lineTo(10, 10);
    expectSamePath(a.freehandPath(), three);

    a.points = {QPointF(0, 0), QPointF(10, 0), QPointF(20, 10), QPointF(30, 10)};
    QPainterPath four;
    four.moveTo(0, 0);
    four.quadTo(QPointF(10, 0), QPointF(15, 5));
    four.quadTo(QPointF(20, 10), QPointF(25, 10));
    four.lineTo(30, 10);
    expectSamePath(a.freehandPath(), four);
}

TEST(AnnotationBounds, NullForNoPointsOtherwiseMinToMax) {
    EXPECT_TRUE(geom::isNull(Annotation::bounds({})));
    expectRect(Annotation::bounds({QPointF(3, -2)}), 3, -2, 0, 0);
    expectRect(Annotation::bounds({QPointF(3, -2), QPointF(-1, 5), QPointF(4, 1)}), -1, -2, 5, 7);
}
