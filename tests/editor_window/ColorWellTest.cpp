#include "editor_window/ColorWell.h"

#include "ChromeTesting.h"
#include "editor_window/ColorPalettePopover.h"
#include "editor_window/EditorChrome.h"

#include <QAbstractButton>
#include <QAccessible>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

std::vector<std::size_t> ringedSwatches(const ColorPalettePopover& popover) {
    std::vector<std::size_t> ringed;
    for (std::size_t index = 0; index < popover.swatches().size(); ++index)
        if (popover.ringed(index)) ringed.push_back(index);
    return ringed;
}

class ColorWellTest : public ::testing::Test {
protected:
    test::Pane pane;
    QWidget window;
    ColorWell* well = new ColorWell(pane.settings, &window);

    void SetUp() override { window.show(); }
};

TEST_F(ColorWellTest, ColourOutsideThePaletteIsCustomWithoutRing) {
    for (const QColor& color : {QColor(1, 2, 3), QColor::fromRgbF(1.5F, 0, 0), QColor()}) {
        pane.settings.style().setColor(color);
        EXPECT_EQ(test::accessibleValue(*well), QStringLiteral("Custom"));
        well->click();
        ASSERT_TRUE(well->isOpen());
        EXPECT_TRUE(ringedSwatches(*well->popover()).empty());
        // Drawing an odd colour must not fail.
        EXPECT_FALSE(well->grab().isNull());
        well->click();
        EXPECT_FALSE(well->isOpen());
    }
    // The swatch itself shows the custom colour.
    pane.settings.style().setColor(QColor(1, 2, 3));
    EXPECT_EQ(well->grab().toImage().pixelColor(14, 13), QColor(1, 2, 3));
}

TEST_F(ColorWellTest, PaletteColourIsRingedAndNamedAndChoosingSetsItThenCloses) {
    pane.settings.style().setColor(QColor(0, 122, 255));
    EXPECT_EQ(test::accessibleValue(*well), QStringLiteral("Blue"));
    int changes = 0;
    QObject::connect(&pane.settings.style(), &ToolStyle::colorChanged, [&] { ++changes; });
    well->click();
    ASSERT_TRUE(well->isOpen());
    ASSERT_EQ(well->popover()->swatches().size(), 8U);
    EXPECT_EQ(ringedSwatches(*well->popover()), std::vector<std::size_t>{4});
    EXPECT_EQ(well->popover()->swatches()[6]->accessibleName(), QStringLiteral("Black"));
    well->popover()->swatches()[4]->click(); // Blue, already current
    EXPECT_FALSE(well->isOpen());
    EXPECT_EQ(changes, 0);

    well->click();
    well->popover()->swatches()[2]->click();
    EXPECT_FALSE(well->isOpen());
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(EditorChrome::sameColor(pane.settings.style().color(), EditorChrome::palette()[2].color));
    EXPECT_EQ(test::accessibleValue(*well), QStringLiteral("Yellow"));
}

} // namespace
} // namespace quorvane
