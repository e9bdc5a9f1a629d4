#include "editor_window/ToolBarLayout.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

QStringList split(const char* names) {
    return names[0] == '\0' ? QStringList() : QString::fromLatin1(names).split(QStringLiteral(", "));
}

TEST(ToolBarLayout, EveryStepFoldsItsToolsInOrder) {
    struct Step {
        int hiding;
        std::vector<const char*> groups;
        const char* more;
    };
    const char* first12 =
        "Pan, Select, Arrow, Rectangle, Oval, Bracket, Text, Freehand, Highlight, Spotlight, "
        "Counter, Magnifier";
    const Step steps[] = {
        {0, {first12, "Redact, Blur, Pixelate, Erase", "Color, Ruler"}, ""},
        {2, {first12, "Redact, Blur, Pixelate, Erase"}, "Color, Ruler"},
        {3,
         {"Pan, Select, Arrow, Rectangle, Oval, Bracket, Text, Freehand, Highlight, Spotlight, Counter",
          "Redact, Blur, Pixelate, Erase"},
         "Magnifier, Color, Ruler"},
        {4,
         {"Pan, Select, Arrow, Rectangle, Oval, Bracket, Text, Freehand, Highlight, Spotlight, Counter",
          "Redact, Blur, Pixelate"},
         "Magnifier, Erase, Color, Ruler"},
        {5,
         {"Pan, Select, Arrow, Rectangle, Oval, Bracket, Text, Freehand, Highlight, Counter",
          "Redact, Blur, Pixelate"},
         "Spotlight, Magnifier, Erase, Color, Ruler"},
        {6,
         {"Pan, Select, Arrow, Rectangle, Oval, Bracket, Text, Freehand, Highlight",
          "Redact, Blur, Pixelate"},
         "Spotlight, Counter, Magnifier, Erase, Color, Ruler"},
        {7,
         {"Pan, Select, Arrow, Rectangle, Oval, Bracket, Text, Freehand, Highlight", "Redact, Blur"},
         "Spotlight, Counter, Magnifier, Pixelate, Erase, Color, Ruler"},
        {8,
         {"Pan, Select, Arrow, Rectangle, Oval, Bracket, Text, Freehand", "Redact, Blur"},
         "Highlight, Spotlight, Counter, Magnifier, Pixelate, Erase, Color, Ruler"},
        {9,
         {"Pan, Select, Arrow, Rectangle, Oval, Bracket, Text", "Redact, Blur"},
         "Freehand, Highlight, Spotlight, Counter, Magnifier, Pixelate, Erase, Color, Ruler"},
        {10,
         {"Pan, Select, Arrow, Rectangle, Bracket, Text", "Redact, Blur"},
         "Oval, Freehand, Highlight, Spotlight, Counter, Magnifier, Pixelate, Erase, Color, Ruler"},
    };
    for (const Step& step : steps) {
        ToolBarLayout expected;
        for (const char* group : step.groups)
            expected.groups.push_back(split(group));
        expected.more = split(step.more);
        EXPECT_EQ(ToolBarLayout::hiding(step.hiding), expected) << "hiding " << step.hiding;
    }
}

TEST(ToolBarLayout, CountsOutsideTheStepsAreHeldToThem) {
    EXPECT_EQ(ToolBarLayout::hiding(11), ToolBarLayout::hiding(10));
    EXPECT_EQ(ToolBarLayout::hiding(1000), ToolBarLayout::hiding(10));
    EXPECT_EQ(ToolBarLayout::hiding(-3), ToolBarLayout::hiding(0));
    // Step 1 is no variant of the row, but the rule still hides one tool for it.
    EXPECT_EQ(ToolBarLayout::hiding(1).more, QStringList{QStringLiteral("Ruler")});
}

} // namespace
} // namespace quorvane
