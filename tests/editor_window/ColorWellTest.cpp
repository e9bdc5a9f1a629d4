#include "editor_window/ColorWell.h"

#include "ChromeTesting.h"
#include "editor_window/ColorPalettePopover.h"
#include "editor_window/EditorChrome.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
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

    void SetUp() override {
        window.show();
        // The keyboard is the active window's.
        QApplication::setActiveWindow(&window);
    }

    // A key as the keyboard sends it: to the control that has the focus, the open popover's first.
    void press(int key) {
        QWidget* to = window.focusWidget() != nullptr ? window.focusWidget() : &window;
        if (well->popover() != nullptr)
            to = well->popover()->focusWidget() != nullptr ? well->popover()->focusWidget() : well->popover();
        for (const auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event(type, key, Qt::NoModifier,
                            key == Qt::Key_Space ? QStringLiteral(" ") : QString());
            QApplication::sendEvent(to, &event);
        }
    }
    // The palette entry whose swatch has the keyboard; none where no swatch has it.
    std::optional<std::size_t> focusedSwatch() const {
        const ColorPalettePopover* open = well->popover();
        for (std::size_t index = 0; open != nullptr && index < open->swatches().size(); ++index)
            if (open->swatches()[index]->hasFocus()) return index;
        return std::nullopt;
    }
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

// From the keyboard the popover takes the focus on the current colour; the arrows move through
// its grid of four a row, and Return or Space chooses. Opened by the pointer it leaves the focus
// until an arrow brings it in.
TEST_F(ColorWellTest, FromTheKeyboardThePopoverTakesTheFocusTheArrowsMoveAndReturnOrSpaceChoose) {
    const auto& palette = EditorChrome::palette();
    pane.settings.style().setColor(palette[4].color); // Blue, first of the second row
    well->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Space);
    ASSERT_TRUE(well->isOpen());
    EXPECT_EQ(focusedSwatch(), 4U) << "the current colour has the keyboard";
    for (const auto& [key, expected] : std::vector<std::pair<int, std::size_t>>{{Qt::Key_Right, 5},
                                                                                {Qt::Key_Down, 5},
                                                                                {Qt::Key_Up, 1},
                                                                                {Qt::Key_Left, 0},
                                                                                {Qt::Key_Left, 0},
                                                                                {Qt::Key_Down, 4},
                                                                                {Qt::Key_End, 7},
                                                                                {Qt::Key_Home, 0},
                                                                                {Qt::Key_Right, 1},
                                                                                {Qt::Key_Right, 2},
                                                                                {Qt::Key_Right, 3},
                                                                                {Qt::Key_Down, 7},
                                                                                {Qt::Key_Up, 3},
                                                                                {Qt::Key_Left, 2}}) {
        press(key);
        EXPECT_EQ(focusedSwatch(), expected) << "after key " << key;
    }
    press(Qt::Key_Return);
    EXPECT_FALSE(well->isOpen());
    EXPECT_TRUE(EditorChrome::sameColor(pane.settings.style().color(), palette[2].color));
    EXPECT_TRUE(well->hasFocus()) << "the keyboard goes back to the well";

    press(Qt::Key_Space);
    ASSERT_TRUE(well->isOpen());
    EXPECT_EQ(focusedSwatch(), 2U);
    press(Qt::Key_Left);
    press(Qt::Key_Space);
    EXPECT_FALSE(well->isOpen());
    EXPECT_TRUE(EditorChrome::sameColor(pane.settings.style().color(), palette[1].color));

    // A click of the pointer opens it with the keyboard left on the well; an arrow brings it in.
    const QPointF middle = QRectF(well->rect()).center();
    for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, middle, well->mapToGlobal(middle), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(well, &event);
    }
    ASSERT_TRUE(well->isOpen());
    EXPECT_EQ(focusedSwatch(), std::nullopt);
    press(Qt::Key_Down);
    EXPECT_EQ(focusedSwatch(), 1U);
    press(Qt::Key_Escape);
    EXPECT_FALSE(well->isOpen());
    EXPECT_TRUE(EditorChrome::sameColor(pane.settings.style().color(), palette[1].color));
}

// The swatch with the keyboard shows a ring that stands out from its colour, on every colour and
// with Increase Contrast too.
TEST_F(ColorWellTest, TheFocusedSwatchShowsARingOnEveryColourWithAndWithoutIncreaseContrast) {
    bool contrast = false;
    pane.settings.increaseContrast = [&contrast] { return contrast; };
    const auto& palette = EditorChrome::palette();
    for (const bool increased : {false, true}) {
        contrast = increased;
        for (std::size_t index = 0; index < palette.size(); ++index) {
            well->setFocus(Qt::TabFocusReason);
            press(Qt::Key_Space);
            ASSERT_TRUE(well->isOpen());
            QAbstractButton* swatch = well->popover()->swatches()[index];
            swatch->setFocus(Qt::TabFocusReason);
            ASSERT_TRUE(swatch->hasFocus());
            const QImage focused = swatch->grab().toImage();
            press(index == 0 ? Qt::Key_Right : Qt::Key_Left);
            ASSERT_FALSE(swatch->hasFocus());
            const QImage plain = swatch->grab().toImage();
            int standsOut = 0;
            for (int y = 0; y < plain.height(); ++y)
                for (int x = 0; x < plain.width(); ++x)
                    standsOut += std::abs(qGray(focused.pixel(x, y)) - qGray(plain.pixel(x, y))) >= 96;
            EXPECT_GE(standsOut, 30) << palette[index].name.toStdString()
                                     << (increased ? " with" : " without") << " Increase Contrast";
            press(Qt::Key_Escape);
        }
    }
}

} // namespace
} // namespace quorvane
