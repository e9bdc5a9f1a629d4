#include "editor_window/ExpandCanvasModel.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using Mode = ExpandCanvasModel::Mode;

TEST(ExpandCanvasModel, OpensAtZeroMarginsAndAsksForAPixel) {
    ExpandCanvasModel model(QSizeF(1200.7, 800));
    EXPECT_EQ(model.width, 1200);
    model.mode = Mode::size; // the sheet checks padding mode's message
    EXPECT_EQ(model.problem(), "Add at least one pixel.");
    EXPECT_EQ(ExpandCanvasModel::modeNamed("size"), Mode::size);
    EXPECT_EQ(ExpandCanvasModel::modeNamed("Size"), std::nullopt);
}

TEST(ExpandCanvasModel, MarginsProblemsAndSummaries) {
    using Margins = std::optional<std::array<int, 4>>;
    const struct {
        const char* name;
        QSizeF source;
        Mode mode;
        std::optional<int> a, b, c, d; // top, left, bottom, right; or width, height
        Margins margins;
        std::optional<QString> problem;
        QString summary;
    } cases[] = {
        // clang-format off
        {"20 on every side", {1200, 800}, Mode::padding, 20, 20, 20, 20, std::array{20, 20, 20, 20},
         std::nullopt, "1200 × 800 → 1240 × 840 px"},
        {"an odd pixel goes right", {1200, 800}, Mode::size, 1205, 800, {}, {}, std::array{0, 2, 0, 3},
         std::nullopt, "1200 × 800 → 1205 × 800 px"},
        {"and to the bottom", {1200, 800}, Mode::size, 1200, 803, {}, {}, std::array{1, 0, 2, 0},
         std::nullopt, "1200 × 800 → 1200 × 803 px"},
        {"smaller", {1200, 800}, Mode::size, 1199, 900, {}, {}, std::nullopt,
         "The canvas only grows here; use Crop to make it smaller.", "1200 × 800 → – px"},
        {"empty size field", {1200, 800}, Mode::size, std::nullopt, 900, {}, {}, std::nullopt,
         "Enter a value for every field.", "1200 × 800 → – px"},
        {"empty padding field", {1200, 800}, Mode::padding, 20, std::nullopt, 20, 20, std::nullopt,
         "Enter a value for every field.", "1200 × 800 → – px"},
        {"too wide", {1200, 800}, Mode::padding, 0, 10000, 0, 10000, std::array{0, 10000, 0, 10000},
         "Each side can be at most 16,384 pixels.", "1200 × 800 → – px"},
        {"too many pixels", {8000, 4000}, Mode::size, 8000, 4001, {}, {}, std::array{0, 0, 1, 0},
         "The result can be at most 32 megapixels.", "8000 × 4000 → – px"},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpandCanvasModel model(c.source);
        model.mode = c.mode;
        if (c.mode == Mode::padding) {
            model.top = c.a;
            model.left = c.b;
            model.bottom = c.c;
            model.right = c.d;
        } else {
            model.width = c.a;
            model.height = c.b;
        }
        EXPECT_EQ(model.padding(), c.margins);
        EXPECT_EQ(model.problem(), c.problem);
        EXPECT_EQ(model.summary(), c.summary);
    }
}

TEST(ExpandCanvasModel, EntriesKeepOnlySixAsciiDigits) {
    const std::pair<QString, std::optional<int>> cases[] = {
        {"12a-3", 123},
        {"1234567", 123456},
        {QString(QChar(0x0663)), std::nullopt}, // Arabic-Indic three
        {QStringLiteral("4") + QChar(0x0663) + QStringLiteral("5"), 45},
        {"", std::nullopt},
        {"00000000000000000000", 0},
        {"99999999999999999999", 999999},
        {QStringLiteral("１２"), std::nullopt}, // full-width digits
    };
    for (const auto& [typed, stored] : cases)
        EXPECT_EQ(ExpandCanvasModel::entry(typed), stored) << typed.toStdString();
    EXPECT_EQ(ExpandCanvasModel::fieldText(std::nullopt), "");
}

} // namespace
} // namespace quorvane
