#include "editor_window/AreaColorsView.h"

#include "editor_window/ChromeTesting.h"
#include "editor_window/IconButton.h"

#include <QLabel>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

QStringList labels(const QWidget& view) {
    QStringList texts;
    for (QLabel* label : view.findChildren<QLabel*>())
        texts << label->text();
    return texts;
}

TEST(AreaColorsView, ShowsBothColoursOrSaysThereIsNoTextColour) {
    SymbolIcons icons{SymbolIcons::Theme::ignore};
    QStringList copied;
    const auto copy = [&](const QString& text) { copied << text; };

    AreaColorsView plain(AreaColors{QRectF(0, 0, 4, 4), SampledColor{255, 255, 255, 255}, std::nullopt}, copy,
                         icons);
    EXPECT_EQ(labels(plain), (QStringList{QStringLiteral("Avg"), QStringLiteral("#FFFFFF"),
                                          QStringLiteral("No text color")}));

    AreaColorsView text(
        AreaColors{QRectF(0, 0, 4, 4), SampledColor{250, 250, 250, 255}, SampledColor{0, 0, 0, 255}}, copy,
        icons);
    EXPECT_EQ(labels(text), (QStringList{QStringLiteral("Avg"), QStringLiteral("#FAFAFA"),
                                         QStringLiteral("Text"), QStringLiteral("#000000")}));
    const auto buttons = text.findChildren<IconButton*>();
    ASSERT_EQ(buttons.size(), 2);
    EXPECT_EQ(buttons[0]->title(), QStringLiteral("Copy average color #FAFAFA"));
    EXPECT_EQ(buttons[1]->title(), QStringLiteral("Copy text color #000000"));
    for (IconButton* button : buttons)
        button->click();
    EXPECT_EQ(copied, (QStringList{QStringLiteral("#FAFAFA"), QStringLiteral("#000000")}));
}

} // namespace
} // namespace quorvane
