#include "ChromeTesting.h"
#include "editor_window/BracketTool.h"
#include "editor_window/StrokeMenu.h"
#include "editor_window/TextSizeMenu.h"
#include "editor_window/ZoomMenu.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QMenu>
#include <gtest/gtest.h>
#include <limits>

namespace quorvane {
namespace {

QStringList checkedRows(const QMenu* menu) {
    QStringList rows;
    for (const QAction* action : menu->actions())
        if (action->isChecked()) rows << action->text();
    return rows;
}

QAction* row(const QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions())
        if (action->text() == text) return action;
    return nullptr;
}

TEST(TextSizeMenu, LabelIsTheWholeSizeAndOnlyAListedSizeIsChecked) {
    test::Pane pane;
    TextSizeMenu menu(pane.settings, pane.icons);
    struct Case {
        double points;
        const char* label;
        QStringList checked;
        const char* value;
    };
    const Case cases[] = {
        {18, "18", {QStringLiteral("18 pt")}, "18 points"},
        {20, "20", {}, "20 points"},
        {17.9, "17", {}, "17 points"},
        {std::numeric_limits<double>::quiet_NaN(), "0", {}, "0 points"},
    };
    for (const Case& c : cases) {
        pane.settings.style().setFontPoints(c.points);
        EXPECT_EQ(menu.labelText(), QString::fromLatin1(c.label));
        EXPECT_EQ(checkedRows(menu.menu()), c.checked) << c.points;
        EXPECT_EQ(test::accessibleValue(menu), QString::fromLatin1(c.value));
    }
    row(menu.menu(), QStringLiteral("32 pt"))->trigger();
    EXPECT_EQ(pane.settings.style().fontPoints(), 32);
    EXPECT_EQ(checkedRows(menu.menu()), QStringList{QStringLiteral("32 pt")});
}

TEST(StrokeMenu, LabelAndValueFollowWidthAndFill) {
    test::Pane pane;
    StrokeMenu menu(pane.settings, pane.icons);
    EXPECT_EQ(menu.labelSymbol(), QStringLiteral("lineweight"));
    EXPECT_EQ(test::accessibleValue(menu), QStringLiteral("3 pixels"));
    EXPECT_EQ(checkedRows(menu.menu()), QStringList{QStringLiteral("3 px")});
    menu.fillAction()->trigger();
    EXPECT_TRUE(pane.settings.style().fill());
    EXPECT_EQ(menu.labelSymbol(), QStringLiteral("square.fill"));
    EXPECT_EQ(test::accessibleValue(menu), QStringLiteral("3 pixels, filled"));
    row(menu.menu(), QStringLiteral("6 px"))->trigger();
    EXPECT_EQ(pane.settings.style().strokeWidth(), 6);
    EXPECT_EQ(test::accessibleValue(menu), QStringLiteral("6 pixels, filled"));
    pane.settings.style().setFill(false);
    EXPECT_FALSE(menu.fillAction()->isChecked());
    EXPECT_EQ(menu.labelSymbol(), QStringLiteral("lineweight"));
}

TEST(ZoomMenu, PercentageChoiceLeavesFitAndLabelsRound) {
    test::Pane pane;
    ZoomMenu menu(pane.settings, pane.icons);
    EXPECT_EQ(menu.labelText(), QStringLiteral("Fit"));
    QStringList texts;
    for (const QAction* action : menu.menu()->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(texts, (QStringList{"Fit to Window\tCtrl+0", "-", "25%", "50%", "100%", "200%", "400%", "-",
                                  "Pixelated"}));

    pane.settings.viewport().setPan(QPointF(30, 40));
    pane.settings.modes().setMessage(QStringLiteral("Copied"));
    int fit = 0;
    QObject::connect(&pane.settings.viewport(), &CanvasViewport::fitChanged, [&] { ++fit; });
    row(menu.menu(), QStringLiteral("100%"))->trigger();
    EXPECT_FALSE(pane.settings.viewport().fit());
    EXPECT_EQ(pane.settings.viewport().zoomFraction(), 1.0);
    EXPECT_EQ(pane.settings.viewport().pan(), QPointF(0, 0));
    EXPECT_TRUE(pane.settings.modes().message().isEmpty());
    EXPECT_EQ(fit, 1);
    EXPECT_EQ(menu.labelText(), QStringLiteral("100%"));

    for (const auto& [fraction, label] : {std::pair{0.125, "13%"}, {0.333, "33%"}, {1.5, "150%"}}) {
        pane.settings.viewport().setZoomFraction(fraction);
        EXPECT_EQ(menu.labelText(), QString::fromLatin1(label));
    }
    menu.pixelatedAction()->trigger();
    EXPECT_TRUE(pane.settings.viewport().pixelated());
    row(menu.menu(), QStringLiteral("Fit to Window\tCtrl+0"))->trigger();
    EXPECT_TRUE(pane.settings.viewport().fit());
    EXPECT_EQ(menu.labelText(), QStringLiteral("Fit"));
}

TEST(BracketTool, ShowsTheGlyphAndIsActiveOnlyOutsideTheModes) {
    test::Pane pane;
    BracketTool button(pane.settings, pane.icons);
    EXPECT_EQ(button.glyph(), QStringLiteral("["));
    EXPECT_FALSE(button.active());
    button.click();
    EXPECT_EQ(pane.settings.style().tool(), QStringLiteral("Bracket"));
    EXPECT_TRUE(button.active());
    pane.settings.cycleBracket();
    EXPECT_EQ(button.glyph(), pane.settings.bracketGlyph());
    EXPECT_NE(button.glyph(), QStringLiteral("["));
    pane.settings.modes().setCropping(true);
    EXPECT_FALSE(button.active());
    pane.settings.modes().setCropping(false);
    pane.settings.modes().setRecognizing(true);
    EXPECT_FALSE(button.active());
}

// The darkest-text box of the menu's first row (its title), in the menu's own pixels.
QRect titleInk(QMenu& menu) {
    menu.popup(QPoint(40, 40));
    QCoreApplication::processEvents();
    const QImage shot = menu.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect row = menu.actionGeometry(menu.actions().first());
    const QRgb ground = shot.pixel(row.center().x(), row.top() + 1);
    QRect ink;
    for (int y = 0; y < row.bottom() + 1; ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (std::abs(qGray(shot.pixel(x, y)) - qGray(ground)) > 60 && x > 2 && x < shot.width() - 3 &&
                y > 2)
                ink = ink.united(QRect(x, y, 1, 1));
    menu.hide();
    return ink;
}

// A menu's title stands clear of its border, as its rows do.
TEST(StrokeMenu, SectionTitlesStandClearOfTheMenusBorder) {
    test::pinLook();
    test::Pane pane;
    TextSizeMenu sizes(pane.settings, pane.icons);
    StrokeMenu strokes(pane.settings, pane.icons);
    for (QMenu* menu : {sizes.menu(), strokes.menu()}) {
        EXPECT_EQ(menu->actions().first()->text(), menu == sizes.menu() ? "Text Size" : "Stroke");
        const QRect ink = titleInk(*menu);
        ASSERT_FALSE(ink.isEmpty());
        EXPECT_GE(ink.top(), 6) << menu->actions().first()->text().toStdString();
        EXPECT_GE(ink.left(), 8) << menu->actions().first()->text().toStdString();
    }
}

} // namespace
} // namespace quorvane
