#include "editor_window/BackdropModel.h"

#include "editor_window/SliderRule.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using Background = BackdropModel::Background;
constexpr Backdrop::RGBA teal{15, 118, 110, 255};
constexpr Backdrop::RGBA mint{110, 231, 183, 255};

struct Shape {
    int padding, corners, blur, opacity, offset;
};

void expectShape(const BackdropModel& model, const Shape& shape) {
    EXPECT_EQ(model.padding, shape.padding);
    EXPECT_EQ(model.cornerRadius, shape.corners);
    EXPECT_EQ(model.shadowRadius, shape.blur);
    EXPECT_EQ(model.shadowOpacity, shape.opacity);
    EXPECT_EQ(model.shadowOffset, shape.offset);
}

TEST(BackdropModel, WithoutABackdropTheFormIsTheFirstPresetAtTheExportScale) {
    const struct {
        double scale;
        Shape shape;
    } cases[] = {{1, {48, 10, 24, 35, 8}}, {2, {96, 20, 48, 35, 16}}, {8, {384, 80, 192, 35, 64}}};
    for (const auto& c : cases) {
        const BackdropModel model = BackdropModel::of(std::nullopt, c.scale);
        EXPECT_EQ(model.background, Background::gradient);
        EXPECT_EQ(model.color, teal);
        EXPECT_EQ(model.endColor, mint);
        EXPECT_EQ(model.angle, 45);
        EXPECT_TRUE(model.shadow);
        expectShape(model, c.shape);
    }
}

TEST(BackdropModel, StoredBackdropsOpenWithTheirOwnRules) {
    Backdrop solid{Backdrop::Solid{{1, 2, 3, 255}}, 7, 3, Backdrop::Shadow{5, 60, -4}};
    BackdropModel model = BackdropModel::of(solid, 1);
    EXPECT_EQ(model.background, Background::solid);
    EXPECT_EQ(model.color, (Backdrop::RGBA{1, 2, 3, 255}));
    EXPECT_EQ(model.endColor, mint);
    EXPECT_EQ(model.angle, 45);
    expectShape(model, {7, 3, 5, 60, -4});
    EXPECT_EQ(model.backdrop(), solid);
    // Choosing a gradient brings the kept end colour and angle.
    model.background = Background::gradient;
    EXPECT_EQ(model.backdrop().fill, (Backdrop::Fill{Backdrop::Gradient{{1, 2, 3, 255}, mint, 45}}));

    const Backdrop clear{Backdrop::Transparent{}, 12, 0, std::nullopt};
    model = BackdropModel::of(clear, 2);
    EXPECT_EQ(model.background, Background::transparent);
    EXPECT_EQ(model.color, teal);
    EXPECT_EQ(model.endColor, mint);
    EXPECT_FALSE(model.shadow);
    // The switch is off, but the shadow waits with the first preset's values at the scale.
    expectShape(model, {12, 0, 48, 35, 16});
    EXPECT_EQ(model.backdrop(), clear);
}

TEST(BackdropModel, PresetsTakeTheScaleOfTheMoment) {
    BackdropModel model = BackdropModel::of(std::nullopt, 1);
    model.color = {9, 9, 9, 255};
    model.angle = 90;
    model.shadow = false;
    model.apply(Backdrop::Preset::clear, 2);
    EXPECT_EQ(model.background, Background::transparent);
    EXPECT_EQ(model.color, (Backdrop::RGBA{9, 9, 9, 255}));
    EXPECT_EQ(model.endColor, mint);
    EXPECT_EQ(model.angle, 90);
    EXPECT_TRUE(model.shadow);
    expectShape(model, {64, 20, 48, 35, 16});

    model.apply(Backdrop::Preset::paper, 0.5);
    EXPECT_EQ(model.background, Background::solid);
    EXPECT_EQ(model.color, (Backdrop::RGBA{0xF3, 0xF4, 0xF6, 255}));
    expectShape(model, {24, 5, 12, 20, 4});
    model.apply(Backdrop::Preset::ocean, 1);
    EXPECT_EQ(model.backdrop(), Backdrop::preset(Backdrop::Preset::ocean, 1));
}

TEST(BackdropModel, SummaryTruncatesTheExportAndRoundsTheCanvas) {
    BackdropModel model;
    model.padding = 10;
    EXPECT_EQ(model.summary(QSizeF(1000.6, 500)), QStringLiteral("1000 × 500 → 1021 × 520 px"));
    model.padding = 0;
    EXPECT_EQ(model.summary(QSizeF(20000, 1)), QStringLiteral("20000 × 1 → 20000 × 1 px"));
}

TEST(BackdropModel, TheLimitsOfThePaddingAreTheBackdrops) {
    BackdropModel model = BackdropModel::of(std::nullopt, 1);
    model.padding = 89; // 90 is refused: the sheet checks its message
    EXPECT_EQ(model.backdrop().problem(QSizeF(5000, 6000)), std::nullopt);
    model.padding = 90;
    EXPECT_TRUE(model.backdrop().problem(QSizeF(5000, 6000)));
}

TEST(BackdropModel, NamesAndRawValues) {
    for (const auto background : allBackgrounds)
        EXPECT_EQ(backdropBackground(rawValue(background)), background);
    EXPECT_EQ(backdropBackground(QStringLiteral("Solid")), std::nullopt);
    EXPECT_EQ(label(Background::transparent), QStringLiteral("None"));
    EXPECT_EQ(displayName(Backdrop::Preset::clear), QStringLiteral("Shadow Only"));
}

TEST(SliderRule, DragsSnapAndIncrementsMoveAFiftiethOfTheRange) {
    const SliderRule angle{0, 360, 15, QStringLiteral("°")};
    EXPECT_EQ(angle.snapped(360), 360);
    const struct {
        SliderRule rule;
        int step;
    } steps[] = {{angle, 15},
                 {{0, 512, 1, QStringLiteral("px")}, 10},
                 {{0, 200, 1, QStringLiteral("px")}, 4},
                 {{0, 100, 1, QStringLiteral("%")}, 2},
                 {{-50, 50, 1, QStringLiteral("px")}, 2}};
    for (const auto& c : steps)
        EXPECT_EQ(c.rule.adjustmentStep(), c.step);

    const SliderRule blur{0, 100, 1, QStringLiteral("px")};
    EXPECT_EQ(blur.adjusted(192, true), 100);
    EXPECT_EQ(blur.adjusted(192, false), 100);
    EXPECT_EQ(blur.adjusted(0, false), 0);
    EXPECT_EQ(blur.adjusted(24, true), 26);
    const SliderRule offset{-50, 50, 1, QStringLiteral("px")};
    EXPECT_EQ(offset.adjusted(-49, false), -50);
    EXPECT_EQ(offset.adjusted(std::numeric_limits<int>::min(), true), -50);
}

TEST(SliderRule, SpokenAndShownValues) {
    const SliderRule percent{0, 100, 1, QStringLiteral("%")}, pixels{-50, 50, 1, QStringLiteral("px")};
    EXPECT_EQ(percent.accessibilityValue(35), QStringLiteral("35 percent"));
    EXPECT_EQ(pixels.accessibilityValue(48), QStringLiteral("48 pixels"));
    EXPECT_EQ(pixels.valueText(-8), QStringLiteral("-8 px"));
}

} // namespace
} // namespace quorvane
