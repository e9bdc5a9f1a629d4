#include "recognition/AreaColorSampler.h"

#include "support/QtPrinters.h"

#include <QImage>
#include <array>
#include <gtest/gtest.h>
#include <limits>
#include <tuple>
#include <vector>

namespace quorvane {
namespace {

using Pixel = std::array<std::uint8_t, 4>; // premultiplied, as stored

// One row of pixels: `runs` of (count, pixel), in storage order.
QImage row(const std::vector<std::pair<int, Pixel>>& runs) {
    int width = 0;
    for (const auto& run : runs)
        width += run.first;
    QImage image(width, 1, QImage::Format_RGBA8888_Premultiplied);
    uchar* bytes = image.scanLine(0);
    for (const auto& [count, pixel] : runs)
        for (int i = 0; i < count; ++i, bytes += 4)
            std::copy(pixel.begin(), pixel.end(), bytes);
    return image;
}

constexpr Pixel white{255, 255, 255, 255};
constexpr Pixel black{0, 0, 0, 255};

std::optional<AreaColorSampler::Sample> sampled(const QImage& image) {
    const auto grid = EdgeGrid::make(image);
    return grid ? AreaColorSampler::sample(*grid) : std::nullopt;
}

TEST(AreaColorSampler, ClipsTheRectangleAndRefusesOnesOffTheImage) {
    QImage image(10, 10, QImage::Format_RGBA8888_Premultiplied);
    image.fill(Qt::red);
    const double inf = std::numeric_limits<double>::infinity();
    for (const auto& [rect, clipped] : std::initializer_list<std::pair<QRectF, std::optional<QRectF>>>{
             {{-5, -5, 20, 20}, QRectF(0, 0, 10, 10)},
             {{2.5, 3.2, 4, 4}, QRectF(2, 3, 5, 5)},
             {{8, 8, -3, -3}, QRectF(5, 5, 3, 3)},
             {{20, 20, 5, 5}, std::nullopt},
             {{0, 0, inf, 5}, std::nullopt},
             {{qQNaN(), 0, 1, 1}, std::nullopt}}) {
        const auto colors = AreaColorSampler::sample(rect, image);
        ASSERT_EQ(colors.has_value(), clipped.has_value()) << rect.x();
        if (colors) {
            EXPECT_EQ(colors->rect, *clipped);
            EXPECT_EQ(colors->average, (SampledColor{255, 0, 0, 255}));
            EXPECT_FALSE(colors->text); // one colour: the only bin is the background
        }
    }
}

TEST(AreaColorSampler, FindsTheTextColourByItsRules) {
    const Pixel grey{200, 200, 200, 255};
    const std::tuple<QImage, SampledColor, std::optional<SampledColor>> cases[] = {
        // Black text on white; two black pixels are no text.
        {row({{97, white}, {3, black}}), {247, 247, 247, 255}, SampledColor{0, 0, 0, 255}},
        {row({{98, white}, {2, black}}), {250, 250, 250, 255}, std::nullopt},
        // A distance of exactly 80 counts, 79.99 does not.
        {row({{1000, grey}, {3, {120, 200, 200, 255}}}),
         {200, 200, 200, 255},
         SampledColor{120, 200, 200, 255}},
        {row({{1000, grey}, {100, {120, 200, 200, 255}}, {1, {121, 200, 200, 255}}}),
         {193, 200, 200, 255},
         std::nullopt},
        // Alpha 127 weighs in the average only; 128 is a colour of its own, straight.
        {row({{1, white}, {3, {0, 0, 0, 127}}}), {102, 102, 102, 159}, std::nullopt},
        {row({{5, white}, {3, {0, 0, 0, 128}}}), {196, 196, 196, 207}, SampledColor{0, 0, 0, 255}},
        {row({{5, white}, {3, {64, 0, 0, 128}}}), {225, 196, 196, 207}, SampledColor{128, 0, 0, 255}},
        // Equal exact colours: the smaller value; equal largest bins: the lower is the background.
        {row({{100, white}, {3, {0, 0, 1, 255}}, {3, black}}),
         {241, 241, 241, 255},
         SampledColor{0, 0, 0, 255}},
        {row({{50, white}, {50, black}}), {128, 128, 128, 255}, SampledColor{255, 255, 255, 255}},
        {row({{10, {0, 0, 0, 0}}}), {0, 0, 0, 0}, std::nullopt},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& [image, average, text] = cases[i];
        SCOPED_TRACE(i);
        const auto sample = sampled(image);
        ASSERT_TRUE(sample);
        EXPECT_EQ(sample->average.hex(), average.hex());
        EXPECT_EQ(sample->text ? sample->text->hex() : QStringLiteral("none"),
                  text ? text->hex() : QStringLiteral("none"));
    }
}

} // namespace
} // namespace quorvane
