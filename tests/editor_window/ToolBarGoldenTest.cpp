#include "ChromeTesting.h"
#include "editor_window/EditorToolBar.h"
#include "editor_window/ToolArea.h"
#include "support/ImageCompare.h"

#include <QCursor>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// The tool bar as a user sees it, at full width and at every overflow step, for review; fonts
// differ a little between machines, hence the tolerance.
class ToolBarGoldenTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::pinLook();
        // No hover fill from wherever the pointer happens to be.
        QCursor::setPos(-1000, -1000);
    }

    QImage barAt(const QPalette& palette, int hiding) {
        test::Pane pane;
        pane.settings.choose(QStringLiteral("Arrow"));
        EditorToolBar bar(pane.document, pane.settings, pane.icons);
        bar.setPalette(palette);
        bar.show();
        const ToolArea& area = *bar.toolArea();
        const int chrome = bar.sizeHint().width() - area.variantWidth(10);
        bar.resize(chrome + area.variantWidth(hiding), 38);
        QApplication::processEvents();
        EXPECT_EQ(area.shownHiding(), hiding);
        return bar.grab().toImage();
    }
};

TEST_F(ToolBarGoldenTest, EveryOverflowStepInTheLightPalette) {
    for (const int hiding : ToolBarLayout::overflowSteps)
        EXPECT_TRUE(test::matchesGolden(barAt(test::lightPalette(), hiding),
                                        QStringLiteral("toolbar-light-hiding-%1").arg(hiding), 40, 0.02));
}

TEST_F(ToolBarGoldenTest, FullAndNarrowestInTheDarkPalette) {
    for (const int hiding : {0, 10})
        EXPECT_TRUE(test::matchesGolden(barAt(test::darkPalette(), hiding),
                                        QStringLiteral("toolbar-dark-hiding-%1").arg(hiding), 40, 0.02));
}

} // namespace
} // namespace quorvane
