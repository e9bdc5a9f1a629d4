#include "editor_window/EditorToolBar.h"

#include "ChromeTesting.h"
#include "editor_window/ColorWell.h"
#include "editor_window/IconButton.h"
#include "editor_window/MoreToolsMenu.h"
#include "editor_window/StrokeMenu.h"
#include "editor_window/TextSizeMenu.h"
#include "editor_window/ToolArea.h"
#include "editor_window/ToolButton.h"

#include <QAccessible>
#include <QLayout>
#include <QMenu>
#include <QPushButton>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

QStringList split(const QString& items) {
    return items.split(QStringLiteral(", "));
}

class ToolAreaTest : public ::testing::Test {
protected:
    test::Pane pane;
    QWidget window;
    ToolArea* area = new ToolArea(pane.document, pane.settings, pane.icons, &window);

    void SetUp() override { offer(2000), window.show(); }
    void offer(int width) { area->resize(width, 26); }
    // Every shown item lies inside the width given: nothing is clipped.
    bool fitsIn(int width) const {
        for (const QWidget* child : area->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (!child->isHidden() && child->geometry().right() >= width) return false;
        return true;
    }
};

TEST_F(ToolAreaTest, JustTooNarrowFoldsColorAndRulerTogether) {
    offer(area->variantWidth(0) - 1);
    EXPECT_EQ(area->shownHiding(), 2);
    EXPECT_EQ(
        area->visibleItems(),
        split("Pan, Select, Arrow, Rectangle, Oval, Bracket, Text, Freehand, Highlight, Spotlight, Counter, "
              "Magnifier, |, Redact, Blur, Pixelate, Erase, More, |, Crop, |, Color well, Stroke"));
    QStringList items;
    for (const QAction* action : area->moreMenu()->menu()->actions())
        items << action->text();
    EXPECT_EQ(items, (QStringList{"Color (I)", "Ruler (M)"}));
    EXPECT_EQ(area->moreMenu()->toolTip(), QStringLiteral("More tools: Color (I), Ruler (M)"));
    // A menu item chooses its tool.
    area->moreMenu()->menu()->actions().at(1)->trigger();
    EXPECT_EQ(pane.settings.style().tool(), QStringLiteral("Ruler"));
}

TEST_F(ToolAreaTest, EveryStepShowsExactlyAtItsWidthAndNotOnePointBelow) {
    const auto& steps = ToolBarLayout::overflowSteps;
    for (std::size_t index = 0; index < steps.size(); ++index) {
        const int width = area->variantWidth(steps[index]);
        if (index > 0) {
            EXPECT_LT(width, area->variantWidth(steps[index - 1]));
        }
        offer(width);
        EXPECT_EQ(area->shownHiding(), steps[index]) << "width " << width;
        EXPECT_TRUE(fitsIn(width)) << "step " << steps[index];
        offer(width + 1);
        EXPECT_EQ(area->shownHiding(), steps[index]);
        offer(width - 1);
        const int next = index + 1 < steps.size() ? steps[index + 1] : steps.back();
        EXPECT_EQ(area->shownHiding(), next) << "width " << width - 1;
        const ToolBarLayout layout = ToolBarLayout::hiding(area->shownHiding());
        EXPECT_EQ(area->moreMenu()->tools(), layout.more);
        EXPECT_EQ(area->moreMenu()->isHidden(), layout.more.empty());
    }
}

TEST_F(ToolAreaTest, WhenNothingFitsTheNarrowestVariantShowsAtItsOwnWidth) {
    const int narrowest = area->variantWidth(10);
    EXPECT_EQ(area->sizeHint().width(), narrowest);
    EXPECT_EQ(area->minimumSizeHint().width(), narrowest);
    for (const int width : {narrowest - 1, 10, 0, -50}) {
        offer(width);
        EXPECT_EQ(area->shownHiding(), 10);
        EXPECT_EQ(area->visibleItems(),
                  split("Pan, Select, Arrow, Rectangle, Bracket, Text, |, Redact, Blur, More, "
                        "|, Crop, |, Color well, Stroke"));
    }
    // Choosing a variant leaves the hint alone, so no layout can loop on it.
    offer(5000);
    EXPECT_EQ(area->sizeHint().width(), narrowest);
}

TEST_F(ToolAreaTest, HiddenCurrentToolShowsInTheMoreMenusLabel) {
    offer(area->variantWidth(2));
    pane.settings.choose(QStringLiteral("Ruler"));
    MoreToolsMenu& more = *area->moreMenu();
    EXPECT_EQ(more.labelSymbol(), QStringLiteral("ruler"));
    EXPECT_TRUE(more.highlighted());
    EXPECT_EQ(test::accessibleValue(more), QStringLiteral("Ruler tool"));

    pane.settings.toggleCrop();
    EXPECT_EQ(more.labelSymbol(), QStringLiteral("ellipsis.circle"));
    EXPECT_FALSE(more.highlighted());
    EXPECT_EQ(test::accessibleValue(more), QString());
    for (const ToolTable::Row& tool : ToolTable::rows())
        EXPECT_FALSE(area->toolButton(tool.tool)->active()) << tool.name.toStdString();
    EXPECT_TRUE(area->cropButton()->active());

    // Widening the row brings Ruler back as an active button and clears the label.
    pane.settings.toggleCrop();
    offer(area->variantWidth(0));
    EXPECT_TRUE(area->toolButton(ToolTable::Tool::ruler)->active());
    EXPECT_FALSE(more.highlighted());
}

TEST_F(ToolAreaTest, SizeOrStrokeMenuFollowsToolAndSelection) {
    struct Case {
        const char* tool;
        std::optional<AnnotationKind> selected;
        const char* menu;
        bool strokeEnabled;
    };
    const Case cases[] = {
        {"Select", AnnotationKind::text, "Text size", true},
        {"Select", AnnotationKind::highlight, "Stroke", false},
        {"Select", std::nullopt, "Stroke", true},
        {"Text", std::nullopt, "Text size", true},
        {"Redact", std::nullopt, "Stroke", false},
        {"Rectangle", std::nullopt, "Stroke", true},
    };
    for (const Case& c : cases) {
        pane.settings.choose(QStringLiteral("Pan"));
        if (c.selected) pane.selectNew(*c.selected);
        pane.settings.choose(QString::fromLatin1(c.tool));
        if (c.selected) pane.settings.modes().setSelectedID(pane.document.annotations().back().id);
        const QString menu = area->visibleItems().back();
        EXPECT_EQ(menu, QString::fromLatin1(c.menu)) << c.tool;
        if (menu == QStringLiteral("Stroke")) {
            EXPECT_EQ(area->strokeMenu()->isEnabled(), c.strokeEnabled) << c.tool;
        }
        EXPECT_TRUE(fitsIn(area->width()));
    }
    // The Text tool shows the size menu whatever is selected.
    pane.selectNew(AnnotationKind::highlight);
    pane.settings.choose(QStringLiteral("Text"));
    EXPECT_EQ(area->visibleItems().back(), QStringLiteral("Text size"));
}

class EditorToolBarTest : public ::testing::Test {
protected:
    test::Pane pane;
    EditorToolBar bar{pane.document, pane.settings, pane.icons};

    void addStep() {
        Annotation added = test::annotation(AnnotationKind::rectangle, QRectF(5, 5, 20, 20));
        added.id = QUuid::createUuid();
        pane.document.addAnnotation(added);
    }
};

TEST_F(EditorToolBarTest, UndoAndRedoFollowTheUndoManager) {
    const auto states = [&] {
        return std::pair{bar.undoButton()->isEnabled(), bar.redoButton()->isEnabled()};
    };
    EXPECT_EQ(states(), std::pair(false, false));
    addStep();
    addStep();
    EXPECT_EQ(states(), std::pair(true, false));
    bar.undoButton()->click();
    EXPECT_EQ(pane.document.annotations().size(), 1U);
    EXPECT_EQ(states(), std::pair(true, true));
    bar.undoButton()->click();
    EXPECT_EQ(states(), std::pair(false, true));
    bar.redoButton()->click();
    EXPECT_EQ(pane.document.annotations().size(), 1U);
    EXPECT_EQ(states(), std::pair(true, true));
}

TEST_F(EditorToolBarTest, DoneShowsWhileEditingAndUndoEndsTheEditFirst) {
    EXPECT_TRUE(bar.doneButton()->isHidden());
    addStep();
    int finishes = 0;
    pane.settings.finishText = [&] {
        ++finishes;
        // The edit commits its text as a step of its own before undo runs.
        EXPECT_EQ(pane.document.annotations().size(), 1U);
        addStep();
    };
    pane.settings.modes().setEditingText(true);
    EXPECT_FALSE(bar.doneButton()->isHidden());
    // Done sits left of undo.
    const QLayout& row = *bar.layout();
    EXPECT_LT(row.indexOf(bar.doneButton()), row.indexOf(bar.undoButton()));

    bar.undoButton()->click();
    EXPECT_EQ(finishes, 1);
    EXPECT_EQ(pane.document.annotations().size(), 1U); // the committed text went back
    pane.settings.finishText = nullptr;
    pane.settings.modes().setEditingText(false);
    EXPECT_TRUE(bar.doneButton()->isHidden());
    bar.redoButton()->click();
    EXPECT_EQ(pane.document.annotations().size(), 2U);
}

TEST_F(EditorToolBarTest, InsetSetsPaddingAndHeight) {
    struct Case {
        TitlebarInset inset;
        int leading;
        int height;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {{}, 8, 38},
        {{52, 70, 0, 0}, 78, 52},
        {{20, 0, 0, 0}, 8, 38},
        {{nan, -5, 0, 0}, 8, 38},
    };
    for (const Case& c : cases) {
        bar.setInset(c.inset);
        EXPECT_EQ(bar.layout()->contentsMargins().left(), c.leading);
        EXPECT_EQ(bar.height(), c.height);
        EXPECT_EQ(bar.minimumHeight(), c.height);
    }
}

TEST_F(EditorToolBarTest, NarrowWindowFoldsToolsAndIdealWidthCountsTheNarrowestVariant) {
    bar.show();
    const int ideal = bar.sizeHint().width();
    bar.resize(3000, 38);
    QApplication::processEvents();
    EXPECT_EQ(bar.toolArea()->shownHiding(), 0);
    bar.resize(ideal, 38);
    QApplication::processEvents();
    EXPECT_EQ(bar.toolArea()->shownHiding(), 10);
    // The tool area may not be squeezed below its narrowest variant.
    EXPECT_GE(bar.toolArea()->width(), bar.toolArea()->variantWidth(10));
    bar.resize(ideal + bar.toolArea()->variantWidth(9) - bar.toolArea()->variantWidth(10), 38);
    QApplication::processEvents();
    EXPECT_EQ(bar.toolArea()->shownHiding(), 9);
}

} // namespace
} // namespace quorvane
