#include "panels/QuorvaneArt.h"

#include "panels/QuorvaneBackdrop.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using QuorvaneArt::Frond;

const Frond sample{
    {QPointF(0.5, 1.0), QPointF(0.2, 0.65), QPointF(0.8, 0.35), QPointF(0.45, 0.0)}, 0.2, 4, 0, 0.1};

TEST(QuorvaneArt, SamplesTheStemTheBladeAndItsEnvelope) {
    const QRectF rect(10, 20, 100, 200);
    const QuorvaneArt::FrondSamples points = QuorvaneArt::samples(sample, rect, 160);
    // The stem runs to t = 19/160 (not above 0.12); the blade from t = 16/160 to 1.
    EXPECT_EQ(std::tuple(points.stem.size(), points.sideA.size(), points.sideB.size()),
              std::tuple(std::size_t(20), std::size_t(145), std::size_t(145)));
    // The envelope is 0 at both ends: the outline starts and ends on the spine.
    std::array<QPointF, 4> spine;
    for (std::size_t i = 0; i < 4; ++i)
        spine[i] = QPointF(rect.x() + sample.spine[i].x() * rect.width(),
                           rect.y() + sample.spine[i].y() * rect.height());
    const QPointF base = QuorvaneArt::point(spine, 0.1), tip = QuorvaneArt::point(spine, 1);
    for (const QPointF& p : {points.sideA.front(), points.sideB.front()})
        EXPECT_NEAR(QLineF(p, base).length(), 0, 1e-9);
    for (const QPointF& p : {points.sideA.back(), points.sideB.back()})
        EXPECT_NEAR(QLineF(p, tip).length(), 0, 1e-6);
    EXPECT_EQ(points.stem.front(), QPointF(60, 220)); // the base, bottom centre
    // No steps: one sample at the base, on the stem only.
    const auto none = QuorvaneArt::samples(sample, rect, 0);
    EXPECT_EQ(std::tuple(none.stem.size(), none.sideA.size()), std::tuple(std::size_t(1), std::size_t(0)));
}

TEST(QuorvaneArt, TheBackdropScalesWithTheViewAndIsFainterOnLight) {
    for (const auto& [frond, unit] : QuorvaneBackdrop::fronds()) {
        const auto at = [&](double w, double h) {
            return QuorvaneArt::paths(frond,
                                      QRectF(unit.x() * w, unit.y() * h, unit.width() * w, unit.height() * h))
                .blade.boundingRect();
        };
        const QRectF one = at(400, 300), two = at(800, 600);
        EXPECT_NEAR(two.x(), 2 * one.x(), 1e-6);
        EXPECT_NEAR(two.width(), 2 * one.width(), 1e-6);
        EXPECT_NEAR(two.height(), 2 * one.height(), 1e-6);
    }
    EXPECT_NEAR(QuorvaneBackdrop::color(ColorScheme::dark).alphaF(), 0.16, 1e-3);
    EXPECT_NEAR(QuorvaneBackdrop::color(ColorScheme::light).alphaF(), 0.10, 1e-3);
    EXPECT_EQ(QuorvaneBackdrop::color(ColorScheme::light).rgb(), QColor::fromRgbF(0.22f, 0.62f, 0.30f).rgb());
}

TEST(QuorvaneArt, TheSchemeFollowsThePaletteAndTheTrayIconItsInk) {
    QPalette light, dark;
    light.setColor(QPalette::Window, Qt::white);
    light.setColor(QPalette::WindowText, Qt::black);
    dark.setColor(QPalette::Window, QColor(30, 30, 30));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    EXPECT_EQ(std::pair(colorScheme(light), colorScheme(dark)),
              std::pair(ColorScheme::light, ColorScheme::dark));

    // Without an active painter nothing is drawn.
    EXPECT_FALSE(QuorvaneArt::drawMenuBarImage(nullptr, QRectF(0, 0, 18, 18), Qt::black));
    QPainter idle;
    EXPECT_FALSE(QuorvaneArt::drawMenuBarImage(&idle, QRectF(0, 0, 18, 18), Qt::black));
    // Dark ink on a light panel, light ink on a dark one; the corners are inked.
    for (const auto& [scheme, darkInk] :
         {std::pair(ColorScheme::light, true), std::pair(ColorScheme::dark, false)}) {
        const QImage image = QuorvaneArt::menuBarIcon(scheme).pixmap(18, 18).toImage();
        ASSERT_EQ(image.size(), QSize(18, 18));
        const QColor corner = image.pixelColor(1, 1);
        EXPECT_GT(corner.alpha(), 100);
        EXPECT_EQ(corner.lightness() < 128, darkInk);
        EXPECT_EQ(image.pixelColor(9, 0).alpha(), 0); // between the brackets
    }
}

} // namespace
} // namespace quorvane
