#include "canvas/ColorSampler.h"

#include "canvas/ColorLoupeView.h"
#include "canvas/RulerOverlayView.h"
#include "imaging/MappedBitmap.h"
#include "support/TestAnnotations.h"

#include <QApplication>
#include <algorithm>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::filledImage;

// A 3 × 1 image of opaque red, red at alpha 128 and full transparency, premultiplied as stored.
QImage threeReds() {
    QImage image(3, 1, QImage::Format_RGBA8888_Premultiplied);
    image.setPixelColor(0, 0, QColor(255, 0, 0, 255));
    image.setPixelColor(1, 0, QColor(255, 0, 0, 128));
    image.setPixelColor(2, 0, QColor(0, 0, 0, 0));
    return image;
}

TEST(ColorSampler, ReadsStraightColoursAndTheirTexts) {
    const auto sampler = ColorSampler::make(threeReds());
    ASSERT_TRUE(sampler);
    struct Case {
        int x;
        const char* hex;
        const char* rgb;
    };
    for (const Case& c : {Case{0, "#FF0000", "rgb(255, 0, 0)"}, Case{1, "#FF000080", "rgba(255, 0, 0, 0.5)"},
                          Case{2, "#00000000", "rgba(0, 0, 0, 0)"}}) {
        const auto color = sampler->color(c.x, 0);
        ASSERT_TRUE(color) << c.hex;
        EXPECT_EQ(color->hex(), c.hex);
        EXPECT_EQ(color->rgbString(), c.rgb);
    }
    EXPECT_FALSE(sampler->color(3, 0));
    EXPECT_FALSE(sampler->color(-1, 0));
    EXPECT_FALSE(sampler->color(0, 1));
    EXPECT_FALSE(ColorSampler::make(QImage()));
}

TEST(ColorSampler, CornerNeighbourhoodIsHalfOutside) {
    const auto sampler = ColorSampler::make(filledImage(Qt::green, 20, 20));
    const auto colors = sampler->neighborhood(0, 0, 7);
    ASSERT_EQ(colors.size(), 225u);
    for (int i = 0; i < 225; ++i)
        EXPECT_EQ(colors[i].has_value(), i % 15 >= 7 && i / 15 >= 7) << i;
    EXPECT_EQ(sampler->neighborhood(3, 3, -4).size(), 1u);
}

// The darkest and lightest red levels across the left edge of the centre mark.
std::pair<int, int> markExtremes(const QImage& shot) {
    const int left = 8 + 9 * 7;
    int low = 255, high = 0;
    for (int x = left - 4; x <= left + 1; ++x) {
        low = std::min(low, qRed(shot.pixel(x, left + 4)));
        high = std::max(high, qRed(shot.pixel(x, left + 4)));
    }
    return {low, high};
}

TEST(ColorLoupeView, RedrawsOnlyForANewPixelShowsTheCheckerboardOutsideAndAContrastingMark) {
    const auto sampler = ColorSampler::make(filledImage(Qt::white, 20, 20));
    ColorLoupeView loupe;
    loupe.update(*sampler, 0, 0);
    loupe.update(*sampler, 0, 0);
    EXPECT_EQ(loupe.updateCount(), 1);
    loupe.update(*sampler, 1, 0);
    EXPECT_EQ(loupe.updateCount(), 2);

    loupe.update(*sampler, 0, 0);
    const QImage shot = loupe.grab().toImage().convertToFormat(QImage::Format_RGB32);
    // Cells left of and above the sampled corner are checkerboard (two greys); inside, white.
    const auto grey = [&](int column, int row, int dx, int dy) {
        return qRed(shot.pixel(8 + 9 * column + dx, 8 + 9 * row + dy));
    };
    EXPECT_NEAR(grey(0, 0, 1, 1), 153, 3);
    EXPECT_NEAR(grey(0, 0, 6, 1), 217, 3);
    EXPECT_NEAR(grey(6, 10, 1, 1), 153, 3);
    EXPECT_EQ(grey(10, 10, 4, 4), 255);
    // A white centre among white cells: only the inner mark is dark.
    EXPECT_LT(markExtremes(shot).first, 60);
    // Among black cells the mark is reversed: only it is light.
    loupe.update(*ColorSampler::make(filledImage(Qt::black, 20, 20)), 10, 10);
    EXPECT_GT(markExtremes(loupe.grab().toImage().convertToFormat(QImage::Format_RGB32)).second, 200);
}

TEST(ColorLoupeView, IncreaseContrastMakesThePanelOpaque) {
    const auto sampler = ColorSampler::make(filledImage(Qt::white, 20, 20));
    for (const bool contrast : {false, true}) {
        QWidget backdrop;
        backdrop.setAutoFillBackground(true);
        backdrop.setPalette(QPalette(Qt::white));
        backdrop.resize(200, 250);
        auto* loupe = new ColorLoupeView(&backdrop);
        loupe->increaseContrast = [contrast] { return contrast; };
        loupe->update(*sampler, 5, 5);
        loupe->show();
        const QImage shot = backdrop.grab().toImage().convertToFormat(QImage::Format_RGB32);
        // The panel's margin left of the grid, over white.
        const int level = qRed(shot.pixel(4, 100));
        if (contrast)
            EXPECT_EQ(level, 0);
        else
            EXPECT_NEAR(level, 31, 3);
    }
}

TEST(SampledColor, LuminanceAndTheEdgesOfItsTexts) {
    EXPECT_EQ((SampledColor{30, 144, 255, 128}.hex()), "#1E90FF80");
    EXPECT_EQ((SampledColor{0, 0, 0, 254}.rgbString()), "rgba(0, 0, 0, 1)");
    EXPECT_DOUBLE_EQ((SampledColor{255, 255, 255, 255}.luminance()), 1.0);
    EXPECT_DOUBLE_EQ((SampledColor{0, 0, 0, 0}.luminance()), 0.0);
    EXPECT_NEAR((SampledColor{255, 0, 0, 10}.luminance()), 0.2126, 1e-12);
}

TEST(RulerOverlayView, PillSitsBelowTheLineFlipsAboveAndClampsInside) {
    const QRectF bounds(0, 0, 300, 200);
    const QSizeF pill(60, 20);
    // A horizontal line in the middle: pill below it, 8 + H/2 from the line.
    EXPECT_EQ(RulerOverlayView::pillRect({100, 100}, {200, 100}, pill, bounds), QRectF(120, 108, 60, 20));
    // Near the bottom the pill goes above the line.
    EXPECT_EQ(RulerOverlayView::pillRect({100, 190}, {200, 190}, pill, bounds), QRectF(120, 162, 60, 20));
    // A vertical line: to its right, or its left near the right edge.
    EXPECT_EQ(RulerOverlayView::pillRect({100, 50}, {100, 150}, pill, bounds), QRectF(108, 90, 60, 20));
    EXPECT_EQ(RulerOverlayView::pillRect({290, 50}, {290, 150}, pill, bounds), QRectF(222, 90, 60, 20));
    // In a corner where neither side fits, the first choice is clamped 4 points inside.
    EXPECT_EQ(RulerOverlayView::pillRect({0, 0}, {2, 0}, pill, QRectF(0, 0, 40, 20)), QRectF(4, 4, 60, 20));
    EXPECT_EQ(RulerOverlayView::pillRect({280, 198}, {299, 198}, pill, bounds), QRectF(236, 176, 60, 20));
}

} // namespace
} // namespace quorvane
