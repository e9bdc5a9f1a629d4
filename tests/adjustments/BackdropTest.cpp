#include "adjustments/Backdrop.h"

#include "support/TestAnnotations.h"

#include <gtest/gtest.h>
#include <limits>

namespace quorvane {
namespace {

using Preset = Backdrop::Preset;
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

Backdrop plain(const Backdrop::Fill& fill, int padding) {
    Backdrop backdrop;
    backdrop.fill = fill;
    backdrop.padding = padding;
    return backdrop;
}

TEST(Backdrop, PresetsScaleTheirLengthsButNotTheOpacity) {
    const Backdrop tolm = Backdrop::preset(Preset::tolm, 1), clear = Backdrop::preset(Preset::clear, 2),
                   paper = Backdrop::preset(Preset::paper, 0.5);
    EXPECT_EQ(tolm.fill,
              Backdrop::Fill(Backdrop::Gradient{{0x0F, 0x76, 0x6E, 255}, {0x6E, 0xE7, 0xB7, 255}, 45}));
    EXPECT_EQ(clear.fill, Backdrop::Fill(Backdrop::Transparent{}));
    EXPECT_EQ(paper.fill, Backdrop::Fill(Backdrop::Solid{{0xF3, 0xF4, 0xF6, 255}}));
    // Padding, corner radius, shadow (radius, opacity, offset).
    const std::tuple<const Backdrop&, int, int, Backdrop::Shadow> cases[] = {
        {tolm, 48, 10, {24, 35, 8}}, {clear, 64, 20, {48, 35, 16}}, {paper, 24, 5, {12, 20, 4}}};
    for (const auto& [backdrop, padding, corner, shadow] : cases) {
        EXPECT_EQ(backdrop.padding, padding);
        EXPECT_EQ(backdrop.cornerRadius, corner);
        EXPECT_EQ(backdrop.shadow, shadow);
    }
    // Scales are clamped to 0.25…8, and anything not finite is 1.
    EXPECT_EQ(Backdrop::preset(Preset::ocean, 0.1).padding, 12);
    EXPECT_EQ(Backdrop::preset(Preset::ocean, 100).padding, 384);
    EXPECT_EQ(Backdrop::preset(Preset::ocean, nan).padding, 48);
    EXPECT_EQ(backdropPreset(QStringLiteral("graphite")), Preset::graphite);
    EXPECT_FALSE(backdropPreset(QStringLiteral("Tolm")));
}

TEST(Backdrop, ProblemsNameTheRangeOrTheResultingSize) {
    Backdrop b = plain(Backdrop::Gradient{{}, {}, 360}, 1000);
    b.cornerRadius = 400;
    EXPECT_FALSE(b.problem(QSizeF(100, 100)));
    for (auto change : std::initializer_list<std::function<void(Backdrop&)>>{
             [](Backdrop& x) { x.padding = 1001; }, [](Backdrop& x) { x.padding = -1; },
             [](Backdrop& x) { x.cornerRadius = 401; },
             [](Backdrop& x) {
                 x.fill = Backdrop::Gradient{{}, {}, -361};
             },
             [](Backdrop& x) {
                 x.shadow = Backdrop::Shadow{0, 101, 0};
             },
             [](Backdrop& x) {
                 x.shadow = Backdrop::Shadow{201, 50, 0};
             },
             [](Backdrop& x) {
                 x.shadow = Backdrop::Shadow{0, 50, -201};
             }}) {
        Backdrop changed = b;
        change(changed);
        EXPECT_EQ(changed.problem(QSizeF(100, 100)), "Padding, corner radius, or shadow is out of range.");
    }
    EXPECT_EQ(
        plain(Backdrop::Transparent{}, 200).problem(QSizeF(8000, 8000)),
        "With 200 px padding the image would be 8400 × 8400 px. The result can be at most 32 megapixels. "
        "Reduce the padding or resize the image.");
    EXPECT_FALSE(plain(Backdrop::Transparent{}, 0).problem(QSizeF(16384, 1)));
    EXPECT_EQ(
        plain(Backdrop::Transparent{}, 1).problem(QSizeF(16384, 1)),
        "With 1 px padding the image would be 16386 × 3 px. Each side can be at most 16,384 pixels. Reduce "
        "the padding or resize the image.");
    EXPECT_FALSE(plain(Backdrop::Transparent{}, 1).apply(test::filledImage(Qt::red, 16384, 1)));
}

TEST(Backdrop, AppliesFillRoundedImageAndGradientDirection) {
    // 400 × 300 on tolm at scale 1: 48 pixels on every side.
    const auto framed =
        Backdrop::preset(Preset::tolm, 1).apply(test::filledImage(QColor(200, 10, 10), 400, 300));
    ASSERT_TRUE(framed);
    EXPECT_EQ(framed->size(), QSize(496, 396));
    EXPECT_EQ(framed->format(), QImage::Format_RGBA8888_Premultiplied);
    EXPECT_EQ(framed->pixelColor(248, 198), QColor(200, 10, 10));
    EXPECT_EQ(framed->pixelColor(48, 48).alpha(), 255);
    EXPECT_LT(framed->pixelColor(49, 49).red(), 200); // a rounded corner shows the fill

    // At 90° the first colour runs along the top, the second along the bottom.
    const Backdrop::RGBA red{255, 0, 0, 255}, blue{0, 0, 255, 255};
    const auto vertical =
        plain(Backdrop::Gradient{red, blue, 90}, 20).apply(test::filledImage(Qt::white, 10, 10));
    ASSERT_TRUE(vertical);
    EXPECT_GT(vertical->pixelColor(25, 0).red(), 240);
    EXPECT_GT(vertical->pixelColor(25, 49).blue(), 240);

    // The corner radius is clamped to half the shorter side.
    Backdrop b = plain(Backdrop::Transparent{}, 5);
    b.cornerRadius = 400;
    const QPainterPath rounded = b.imagePath(QSizeF(100, 40));
    EXPECT_EQ(rounded.boundingRect(), QRectF(5, 5, 100, 40));
    EXPECT_TRUE(rounded.contains(QPointF(7, 25)));
    EXPECT_FALSE(rounded.contains(QPointF(6, 6)));
    b.cornerRadius = 0;
    EXPECT_TRUE(b.imagePath(QSizeF(100, 40)).contains(QPointF(5.5, 5.5)));
}

TEST(Backdrop, ShadowsFallOutsideTheImageOnlyFollowingTheGaussian) {
    const QImage image = test::filledImage(Qt::white, 40, 20);
    Backdrop b = plain(Backdrop::Solid{{0, 255, 0, 255}}, 20);
    const auto noShadow = b.apply(image);
    b.shadow = Backdrop::Shadow{30, 0, 8};
    const auto invisible = b.apply(image);
    ASSERT_TRUE(noShadow && invisible);
    EXPECT_EQ(*invisible, *noShadow);

    // Radius 0: a hard black band of offsetY pixels below the image.
    b.shadow = Backdrop::Shadow{0, 100, 8};
    const auto hard = b.apply(image);
    ASSERT_TRUE(hard);
    for (const auto& [y, color] : {std::pair(40, QColor(Qt::black)),
                                   {47, Qt::black},
                                   {48, QColor(0, 255, 0)},
                                   {19, QColor(0, 255, 0)},
                                   {30, Qt::white}})
        EXPECT_EQ(hard->pixelColor(30, y), color) << y;

    // A transparent fill keeps everything transparent but the shadow; none lies under the image.
    // Radius 24 is σ = 12: at distance d from the edge the shadow's alpha is Φ(−d / σ), on every side.
    b = plain(Backdrop::Transparent{}, 60);
    b.shadow = Backdrop::Shadow{24, 100, 0};
    const auto soft = b.apply(test::filledImage(Qt::transparent, 200, 100));
    ASSERT_TRUE(soft);
    EXPECT_EQ(soft->pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(soft->pixelColor(160, 110).alpha(), 0);
    EXPECT_EQ(soft->pixelColor(160, 170).red(), 0);
    for (auto [d, expected] : {std::pair{0, 122}, {12, 40}, {24, 6}}) {
        EXPECT_NEAR(soft->pixelColor(160, 160 + d).alpha(), expected, 8) << d; // below
        EXPECT_NEAR(soft->pixelColor(260 + d, 110).alpha(), expected, 8) << d; // right
        EXPECT_NEAR(soft->pixelColor(59 - d, 110).alpha(), expected, 8) << d;  // left
    }
}

TEST(Backdrop, ColoursFromPickedValues) {
    EXPECT_EQ(Backdrop::RGBA::from(QColor()), (Backdrop::RGBA{0, 0, 0, 0}));
    EXPECT_EQ(Backdrop::RGBA::from(QColor(10, 20, 30, 40)), (Backdrop::RGBA{10, 20, 30, 40}));
    EXPECT_EQ(Backdrop::RGBA::from(QColor::fromRgbF(1.5f, -0.5f, 0.5f, 1)),
              (Backdrop::RGBA{255, 0, 128, 255}));
}

} // namespace
} // namespace quorvane
