#include "editor_window/EditorChrome.h"

#include "canvas/EditorCanvasSettings.h"
#include "editor_window/ChromeText.h"
#include "editor_window/SymbolIcons.h"

#include <QImage>
#include <QPainter>
#include <QSet>
#include <gtest/gtest.h>
#include <limits>

namespace quorvane {
namespace {

TEST(EditorChrome, PaletteHasEightUniquelyNamedColoursInOrder) {
    const auto& palette = EditorChrome::palette();
    QStringList names;
    for (const auto& entry : palette)
        names << entry.name;
    EXPECT_EQ(names, (QStringList{"Red", "Orange", "Yellow", "Green", "Blue", "Purple", "Black", "White"}));
    // The tools' own colours are palette colours, so choosing Highlight shows "Yellow".
    EXPECT_EQ(EditorChrome::paletteName(*EditorCanvasSettings::toolColor(QStringLiteral("Highlight"))),
              QStringLiteral("Yellow"));
}

// The symbol of the tool a name finds; a name that is no tool has none.
std::optional<QString> symbolOf(const QString& name) {
    const ToolTable::Row* row = ToolTable::find(name);
    return row != nullptr ? EditorChrome::symbol(row->tool) : std::nullopt;
}

TEST(EditorChrome, SymbolsCoverEveryToolButBracket) {
    EXPECT_FALSE(symbolOf(QStringLiteral("Bracket")));
    EXPECT_FALSE(symbolOf(QStringLiteral("pan"))); // names are case-sensitive
    for (const QString& tool : EditorCanvasSettings::tools()) {
        if (tool == QStringLiteral("Bracket")) continue;
        const auto symbol = symbolOf(tool);
        ASSERT_TRUE(symbol) << tool.toStdString();
        // Xvfb and many desktops have no theme icon for it: our own set must draw it.
        EXPECT_TRUE(SymbolIcons::hasFallback(*symbol)) << symbol->toStdString();
    }
}

TEST(EditorChrome, ColoursMatchByTheirEightBitValues) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        QColor color;
        std::optional<QString> name;
    };
    const Case cases[] = {
        {QColor(0, 122, 255), QStringLiteral("Blue")},
        // The same value in floating point is the same colour.
        {QColor::fromRgbF(0.0F, 122 / 255.0F, 1.0F), QStringLiteral("Blue")},
        {QColor(0, 122, 255, 254), std::nullopt},
        {QColor(0, 123, 255), std::nullopt},
        {QColor(), std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EditorChrome::paletteName(c.color), c.name) << c.color.name(QColor::HexArgb).toStdString();
    // Qt stores a NaN component as some 8-bit value; whichever, the colour is compared safely.
    const QColor odd = QColor::fromRgbF(static_cast<float>(nan), 0, 0);
    EXPECT_EQ(EditorChrome::sameColor(odd, odd), odd.isValid());
}

TEST(SymbolIcons, ChromeSymbolsAllHaveOurOwnDrawingAndUnknownNamesStillDraw) {
    for (const char* name :
         {"crop", "ellipsis.circle", "arrow.uturn.backward", "arrow.uturn.forward", "questionmark",
          "square.fill", "lineweight", "info.circle", "point.topleft.down.curvedto.point.bottomright.up"})
        EXPECT_TRUE(SymbolIcons::hasFallback(QString::fromLatin1(name))) << name;
    // An unknown name falls back to the question mark rather than an empty square.
    const SymbolIcons icons(SymbolIcons::Theme::ignore);
    const auto drawn = [&](const QString& name) {
        QImage image(24, 24, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        icons.paint(painter, name, QRectF(0, 0, 24, 24), Qt::black);
        return image;
    };
    EXPECT_EQ(drawn(QStringLiteral("no.such.symbol")), drawn(QStringLiteral("questionmark")));
    // A menu icon is drawn at the device pixel ratio it is asked for.
    const QIcon icon = icons.icon(QStringLiteral("ruler"), Qt::black, Qt::gray);
    EXPECT_EQ(icon.pixmap(QSize(16, 16), 2.0).size(), QSize(32, 32));
}

TEST(SymbolIcons, NamesShownAsTheQuestionMarkAreReportedOnce) {
    // The window's own controls and toasts, beside the tools' set.
    for (const char* name :
         {"doc.on.doc", "square.and.arrow.down", "square.and.arrow.up.on.square", "photo.artframe", "pin",
          "text.viewfinder", "trash", "plus.square.on.square", "square.2.layers.3d.top.filled",
          "square.2.layers.3d.bottom.filled", "lock", "lock.fill", "exclamationmark.triangle",
          "exclamationmark.triangle.fill", "checkmark.circle", "checkmark.circle.fill", "photo.badge.plus",
          "slider.horizontal.3"})
        EXPECT_TRUE(SymbolIcons::hasFallback(QString::fromLatin1(name))) << name;
    const SymbolIcons icons(SymbolIcons::Theme::ignore);
    QImage image(24, 24, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    icons.paint(painter, QStringLiteral("pin"), QRectF(0, 0, 24, 24), Qt::black);
    icons.icon(QStringLiteral("no.such.symbol"), Qt::black, Qt::gray);
    icons.paint(painter, QStringLiteral("no.such.symbol"), QRectF(0, 0, 24, 24), Qt::black);
    // Asked for by name only where the chrome has no symbol for something.
    icons.paint(painter, QStringLiteral("questionmark"), QRectF(0, 0, 24, 24), Qt::black);
    EXPECT_EQ(icons.fallbacks(), (QStringList{"no.such.symbol", "questionmark"}));
}

TEST(ChromeText, NumbersAndShortcutsReadAsTheLabelsShowThem) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(ChromeText::wholeNumber(17.9), QStringLiteral("17"));
    EXPECT_EQ(ChromeText::wholeNumber(-2.5), QStringLiteral("-2"));
    EXPECT_EQ(ChromeText::wholeNumber(nan), QStringLiteral("0"));
    EXPECT_EQ(ChromeText::wholeNumber(inf), QStringLiteral("0"));
    EXPECT_EQ(ChromeText::wholeNumber(1e300), QStringLiteral("1000000000000000"));
    EXPECT_EQ(ChromeText::percent(0.125), QStringLiteral("13%"));
    EXPECT_EQ(ChromeText::percent(nan), QStringLiteral("0%"));
    EXPECT_EQ(ChromeText::shortcut(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QStringLiteral("Ctrl+Shift+Z"));
    EXPECT_EQ(ChromeText::shortcut(Qt::CTRL | Qt::Key_Equal), QStringLiteral("Ctrl+="));
    EXPECT_EQ(ChromeText::shortcut(Qt::CTRL | Qt::Key_Minus), QStringLiteral("Ctrl+-"));
}

// Fonts sized in pixels (as a style sheet or a theme may give them) scale as those sized in points.
TEST(ChromeText, ScalesFontsSizedInPointsOrInPixels) {
    QFont points;
    points.setPointSizeF(12);
    EXPECT_DOUBLE_EQ(ChromeText::scaled(points, 0.85).pointSizeF(), 10.2);
    QFont pixels;
    pixels.setPixelSize(20);
    const QFont smaller = ChromeText::scaled(pixels, 0.85);
    EXPECT_EQ(smaller.pixelSize(), 17);
    EXPECT_EQ(smaller.pointSizeF(), -1) << "still sized in pixels";
    pixels.setPixelSize(1);
    EXPECT_EQ(ChromeText::scaled(pixels, 0.5).pixelSize(), 1) << "never below one pixel";
}

} // namespace
} // namespace quorvane
