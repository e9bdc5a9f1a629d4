#include "editor_window/ToolBarLayout.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

QStringList split(const char* names) {
    return names[0] == '\0' ? QStringList() : QString::fromLatin1(names).split(QStringLiteral(", "));
}

ToolBarLayout::Tools tools(const QStringList& names) {
    ToolBarLayout::Tools found;
    for (const QString& name : names)
        found.push_back(ToolTable::find(name)->tool);
    return found;
}

TEST(ToolBarLayout, EachStepFoldsTheNextToolIntoMoreInRowOrder) {
    const std::vector<QStringList> row = {
        split("Pan, Select, Arrow, Rectangle, Oval, Bracket, Text, Freehand, Highlight, Spotlight, Counter, "
              "Magnifier"),
        split("Redact, Blur, Pixelate, Erase"), split("Color, Ruler")};
    const QStringList foldOrder =
        split("Color, Ruler, Magnifier, Erase, Spotlight, Counter, Pixelate, Highlight, Freehand, Oval");
    for (const int hiding : {0, 2, 3, 4, 5, 6, 7, 8, 9, 10}) {
        const QStringList folded = foldOrder.mid(0, hiding);
        ToolBarLayout expected;
        for (const QStringList& group : row) {
            QStringList kept;
            QStringList more;
            for (const QString& tool : group)
                (folded.contains(tool) ? more : kept) << tool;
            if (!kept.isEmpty()) expected.groups.push_back(tools(kept));
            for (const ToolTable::Tool tool : tools(more))
                expected.more.push_back(tool);
        }
        EXPECT_EQ(ToolBarLayout::hiding(hiding), expected) << "hiding " << hiding;
    }
}

TEST(ToolBarLayout, CountsOutsideTheStepsAreHeldToThem) {
    EXPECT_EQ(ToolBarLayout::hiding(11), ToolBarLayout::hiding(10));
    EXPECT_EQ(ToolBarLayout::hiding(1000), ToolBarLayout::hiding(10));
    EXPECT_EQ(ToolBarLayout::hiding(-3), ToolBarLayout::hiding(0));
    // Step 1 is no variant of the row, but the rule still hides one tool for it.
    EXPECT_EQ(ToolBarLayout::hiding(1).more, tools({QStringLiteral("Ruler")}));
}

} // namespace
} // namespace quorvane
