#include "editor_window/ResizeModel.h"

#include "document/EditorDocument.h"
#include "support/TestAnnotations.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using Quality = ImageResampler::Quality;

ResizeModel crop(double width, double height, double scale = 1) {
    return ResizeModel(QSizeF(width, height), scale, std::nullopt, Quality::highQuality);
}

TEST(ResizeModel, PercentButtonsScaleTheCropsWholeSides) {
    struct Case {
        QSizeF crop;
        int percent;
        int width, height;
    };
    const Case cases[] = {
        {{1200, 800}, 50, 600, 400},       {{3, 3}, 25, 1, 1},    {{1, 1}, 25, 1, 1},
        {{1200.9, 800.9}, 100, 1200, 800}, {{10, 4}, 200, 20, 8}, {{800000, 2}, 200, 1000000, 4},
    };
    for (const Case& c : cases) {
        ResizeModel model = crop(c.crop.width(), c.crop.height());
        model.setLockAspect(false);
        model.apply(c.percent);
        EXPECT_EQ(model.width(), c.width) << c.percent;
        EXPECT_EQ(model.height(), c.height) << c.percent;
    }
}

TEST(ResizeModel, MegapixelsRoundTiesToEvenAsC) {
    ResizeModel model = crop(500, 500);
    EXPECT_EQ(model.summary(), QStringLiteral("500 × 500 → 500 × 500 px · 0.2 MP"));
    model = crop(1000, 1250);
    EXPECT_EQ(model.summary(), QStringLiteral("1000 × 1250 → 1000 × 1250 px · 1.2 MP"));
    model = crop(4000, 4000);
    EXPECT_EQ(model.summary(), QStringLiteral("4000 × 4000 → 4000 × 4000 px · 16.0 MP"));
}

TEST(ResizeModel, TypedTextKeepsItsFirstSevenAsciiDigits) {
    struct Case {
        QString typed;
        std::optional<int> side;
    };
    const Case cases[] = {
        {QStringLiteral("1,024 px"), 1024},
        {QStringLiteral("123456789012345678901234567890"), 1234567},
        {QStringLiteral("-5"), 5},
        {QStringLiteral("+ 3 0 0"), 300},
        {QStringLiteral("pixels"), std::nullopt},
        {QString(), std::nullopt},
        {QStringLiteral("12½"), std::nullopt},
        {QString::fromUtf8("\u0661\u0662"), std::nullopt}, // Arabic-Indic one, two
        {QString::fromUtf8("\U0001D7CF"), std::nullopt},   // a mathematical digit outside the BMP
        {QStringLiteral("0"), 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResizeModel::parseSide(c.typed), c.side) << c.typed.toStdString();
}

TEST(ResizeModel, TheLockCarriesTheOtherSide) {
    ResizeModel model = crop(1200, 800);
    model.typeWidth(QStringLiteral("300"));
    EXPECT_EQ(model.height(), 200);
    model.typeHeight(QStringLiteral("400"));
    EXPECT_EQ(model.width(), 600);
    // Emptying a side leaves the other.
    model.typeHeight(QStringLiteral("abc"));
    EXPECT_EQ(model.height(), std::nullopt);
    EXPECT_EQ(model.width(), 600);

    ResizeModel flat = crop(0, 50);
    flat.typeWidth(QStringLiteral("300"));
    EXPECT_EQ(flat.height(), 1);

    ResizeModel free = crop(1200, 800);
    free.setLockAspect(false);
    free.typeWidth(QStringLiteral("300"));
    EXPECT_EQ(free.height(), 800);
}

TEST(ResizeModel, ProblemsDisableResizeAndBlankTheSummary) {
    ResizeModel model = crop(1200, 800);
    model.setLockAspect(false);
    model.typeWidth(QStringLiteral("20000"));
    EXPECT_EQ(model.problem(), QStringLiteral("Each side can be at most 16,384 pixels."));
    EXPECT_EQ(model.summary(), QStringLiteral("1200 × 800 → – px"));
    EXPECT_EQ(model.size(), std::nullopt);

    model.typeWidth(QStringLiteral("12345678"));
    EXPECT_EQ(model.width(), 1234567);
    EXPECT_TRUE(model.problem().has_value());

    model.typeWidth(QStringLiteral("x"));
    EXPECT_EQ(model.problem(), QStringLiteral("Enter a width and height."));
    EXPECT_EQ(model.summary(), QStringLiteral("1200 × 800 → – px"));

    model.typeWidth(QStringLiteral("0"));
    EXPECT_EQ(model.problem(), QStringLiteral("Width and height must be at least 1 pixel."));

    model.typeWidth(QStringLiteral("16000"));
    model.typeHeight(QStringLiteral("16000"));
    EXPECT_EQ(model.problem(), QStringLiteral("The result can be at most 32 megapixels."));
}

TEST(ResizeModel, LogicalSizeOnlyAboveOnePixelAPoint) {
    ResizeModel retina = crop(1600, 1200, 2);
    ASSERT_EQ(retina.logicalSize(), QSize(800, 600));
    EXPECT_EQ(retina.logicalTitle(), QStringLiteral("Logical size (÷ 2) · 800 × 600"));
    EXPECT_EQ(retina.logicalAccessibilityLabel(), QStringLiteral("Use logical size, 800 by 600 pixels"));
    retina.applyLogical();
    EXPECT_EQ(retina.width(), 800);
    EXPECT_EQ(retina.height(), 600);

    EXPECT_EQ(crop(1, 1, 3).logicalSize(), QSize(1, 1));
    ResizeModel plain = crop(1600, 1200, 1);
    EXPECT_EQ(plain.logicalSize(), std::nullopt);
    plain.applyLogical();
    EXPECT_EQ(plain.width(), 1600);
}

TEST(ResizeModel, StartsFromTheDocument) {
    EditorDocument document(test::filledImage(Qt::white, 30, 20), std::nullopt, 2);
    ASSERT_TRUE(document.setOutputSize(QSizeF(61, 41), Quality::nearest));
    const ResizeModel model = ResizeModel::of(document);
    EXPECT_EQ(model.width(), 61);
    EXPECT_EQ(model.height(), 41);
    EXPECT_EQ(model.source(), QSizeF(30, 20));
    EXPECT_EQ(model.pixelScale(), 2);
    EXPECT_EQ(model.quality(), Quality::nearest);
}

} // namespace
} // namespace quorvane
