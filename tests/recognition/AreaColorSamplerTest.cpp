#include "recognition/AreaColorSampler.h"

#include "support/QtPrinters.h"

#include <QImage>
#include <array>
#include <gtest/gtest.h>
#include <limits>
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
    struct Case {
        QRectF rect;
        std::optional<QRectF> sampled;
    };
    for (const Case& c :
         {Case{{-5, -5, 20, 20}, QRectF(0, 0, 10, 10)}, Case{{2.5, 3.2, 4, 4}, QRectF(2, 3, 5, 5)},
          Case{{8, 8, -3, -3}, QRectF(5, 5, 3, 3)}, Case{{20, 20, 5, 5}, std::nullopt},
          Case{{0, 0, inf, 5}, std::nullopt}, Case{{qQNaN(), 0, 1, 1}, std::nullopt}}) {
        const auto colors = AreaColorSampler::sample(c.rect, image);
        ASSERT_EQ(colors.has_value(), c.sampled.has_value()) << c.rect.x();
        if (colors) {
            EXPECT_EQ(colors->rect, *c.sampled);
            EXPECT_EQ(colors->average, (SampledColor{255, 0, 0, 255}));
            EXPECT_FALSE(colors->text); // one colour: the only bin is the background
        }
    }
}

TEST(AreaColorSampler, FindsTheTextColourByItsRules) {
    const Pixel grey{200, 200, 200, 255};
    struct Case {
        const char* name;
        QImage image;
        SampledColor average;
        std::optional<SampledColor> text;
    };
    const Case cases[] = {
        {"black text on white",
         row({{97, white}, {3, black}}),
         {247, 247, 247, 255},
         SampledColor{0, 0, 0, 255}},
        {"two black pixels are no text", row({{98, white}, {2, black}}), {250, 250, 250, 255}, std::nullopt},
        {"distance exactly 80 counts",
         row({{1000, grey}, {3, {120, 200, 200, 255}}}),
         {200, 200, 200, 255},
         SampledColor{120, 200, 200, 255}},
        {"79.99 does not",
         row({{1000, grey}, {100, {120, 200, 200, 255}}, {1, {121, 200, 200, 255}}}),
         {193, 200, 200, 255},
         std::nullopt},
        // 127 weighs in the average only; 128 is a colour of its own.
        {"alpha 127 only in the average",
         row({{1, white}, {3, {0, 0, 0, 127}}}),
         {102, 102, 102, 159},
         std::nullopt},
        {"alpha 128 counts",
         row({{5, white}, {3, {0, 0, 0, 128}}}),
         {196, 196, 196, 207},
         SampledColor{0, 0, 0, 255}},
        {"straight colour of a half-transparent pixel",
         row({{5, white}, {3, {64, 0, 0, 128}}}),
         {225, 196, 196, 207},
         SampledColor{128, 0, 0, 255}},
        {"equal exact colours: the smaller value",
         row({{100, white}, {3, {0, 0, 1, 255}}, {3, black}}),
         {241, 241, 241, 255},
         SampledColor{0, 0, 0, 255}},
        {"equal largest bins: the lower is the background",
         row({{50, white}, {50, black}}),
         {128, 128, 128, 255},
         SampledColor{255, 255, 255, 255}},
        {"transparent", row({{10, {0, 0, 0, 0}}}), {0, 0, 0, 0}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto sample = sampled(c.image);
        ASSERT_TRUE(sample);
        EXPECT_EQ(sample->average.hex(), c.average.hex());
        EXPECT_EQ(sample->text ? sample->text->hex() : QStringLiteral("none"),
                  c.text ? c.text->hex() : QStringLiteral("none"));
    }
}

} // namespace
} // namespace quorvane
