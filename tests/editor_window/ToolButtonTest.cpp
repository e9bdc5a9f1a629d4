#include "editor_window/ToolButton.h"

#include "ChromeTesting.h"
#include "editor_window/IconButton.h"

#include <QAccessible>
#include <QEnterEvent>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

QColor over(QColor top, double opacity, const QColor& bottom) {
    const auto mix = [&](int a, int b) {
        return static_cast<int>(std::lround(a * opacity + b * (1 - opacity)));
    };
    return QColor(mix(top.red(), bottom.red()), mix(top.green(), bottom.green()),
                  mix(top.blue(), bottom.blue()));
}

bool near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 &&
           std::abs(a.blue() - b.blue()) <= 2;
}

// The fill beside the symbol, on the window background of `button`'s parent.
QColor fillOf(ToolButton& button) {
    return button.grab().toImage().pixelColor(3, 13);
}

void hover(ToolButton& button, bool inside) {
    if (inside) {
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(&button, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&button, &leave);
    }
}

TEST(ToolButton, ActiveFillWinsOverHoverFill) {
    const test::Pane pane;
    const QPalette palette = test::lightPalette();
    const QColor window = palette.color(QPalette::Window);
    struct Case {
        bool active;
        bool hovered;
        QColor fill;
    };
    const Case cases[] = {
        {false, false, window},
        {false, true, over(palette.color(QPalette::WindowText), 0.08, window)},
        {true, false, over(palette.color(QPalette::Highlight), 0.18, window)},
        {true, true, over(palette.color(QPalette::Highlight), 0.18, window)},
    };
    QWidget host;
    host.setPalette(palette);
    host.setAutoFillBackground(true);
    for (const Case& c : cases) {
        ToolButton button(pane.icons, QStringLiteral("rectangle"), QStringLiteral("Rectangle (R)"),
                          std::nullopt, {}, &host);
        button.setActive(c.active);
        hover(button, c.hovered);
        EXPECT_EQ(button.hovering(), c.hovered);
        const QColor fill = fillOf(button);
        EXPECT_TRUE(near(fill, c.fill))
            << "active " << c.active << " hovered " << c.hovered << ": " << fill.name().toStdString()
            << " not " << c.fill.name().toStdString();
    }
}

TEST(ToolButton, ToolTipAddsTheNoteButTheAccessibleNameNeverDoes) {
    const test::Pane pane;
    for (const QString& tool : EditorCanvasSettings::tools()) {
        const auto note = EditorCanvasSettings::toolNote(tool);
        ToolButton button(pane.icons, QStringLiteral("circle"), EditorCanvasSettings::toolTitle(tool), note,
                          {});
        const QString title = EditorCanvasSettings::toolTitle(tool);
        EXPECT_EQ(button.toolTip(), note ? title + QStringLiteral(" — ") + *note : title);
        EXPECT_EQ(button.accessibleName(), title);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&button);
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->text(QAccessible::Name), title);
    }
}

TEST(ToolButton, ClicksRunTheActionAndLeaveActiveToTheCreator) {
    const test::Pane pane;
    int runs = 0;
    ToolButton button(pane.icons, QStringLiteral("circle"), QStringLiteral("Oval (O)"), std::nullopt,
                      [&] { ++runs; });
    button.click();
    button.click();
    EXPECT_EQ(runs, 2);
    EXPECT_FALSE(button.active());
    EXPECT_FALSE(button.isChecked());
    button.setActive(true);
    button.click();
    // Assistive technology reads the active tool as checked, and a click does not undo that.
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&button);
    EXPECT_TRUE(accessible->state().checked);
    EXPECT_TRUE(button.active());
}

TEST(IconButton, DisabledButtonDoesNotRunItsAction) {
    const test::Pane pane;
    int runs = 0;
    IconButton button(pane.icons, QStringLiteral("arrow.uturn.backward"), QStringLiteral("Undo (Ctrl+Z)"),
                      [&] { ++runs; });
    button.setEnabled(false);
    button.click();
    EXPECT_EQ(runs, 0);
    button.setEnabled(true);
    button.click();
    EXPECT_EQ(runs, 1);
}

} // namespace
} // namespace quorvane
