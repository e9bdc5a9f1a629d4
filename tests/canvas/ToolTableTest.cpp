#include "canvas/ToolTable.h"

#include "canvas/EditorCanvasSettings.h"

#include <QSet>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using K = AnnotationKind;

TEST(ToolTable, NamesKeysTitlesAndNotes) {
    EXPECT_EQ(ToolTable::names(),
              QStringList({"Pan", "Select", "Arrow", "Rectangle", "Oval", "Bracket", "Text", "Freehand",
                           "Highlight", "Spotlight", "Counter", "Magnifier", "Redact", "Blur", "Pixelate",
                           "Erase", "Color", "Ruler"}));

    // Every tool has its own lower-case key; "c" stays free for crop mode.
    QSet<QChar> keys;
    for (const ToolTable::Row& row : ToolTable::rows()) {
        SCOPED_TRACE(row.name.toStdString());
        EXPECT_TRUE(row.key.isLower());
        EXPECT_FALSE(keys.contains(row.key));
        keys.insert(row.key);
        EXPECT_EQ(EditorCanvasSettings::toolForKey(row.key), row.name);
        EXPECT_EQ(ToolTable::title(row.name), row.name + " (" + row.key.toUpper() + ")");
    }
    EXPECT_FALSE(EditorCanvasSettings::toolForKey(QLatin1Char('c')));
    EXPECT_EQ(EditorCanvasSettings::toolTitle(QStringLiteral("Crop")), "Crop");
    EXPECT_FALSE(EditorCanvasSettings::toolColor(QStringLiteral("Crop")));

    const struct {
        const char* tool;
        std::optional<QString> note;
    } notes[] = {
        {"Pan", std::nullopt},
        {"Crop", std::nullopt},
        // On this desktop the RGB modifier is Alt.
        {"Color", "Click to copy the color as HEX; drag to copy an area's average; Alt copies RGB."},
        {"Blur", "Visual effect only — not a privacy guarantee. Use Redact for sensitive information."},
        {"Pixelate", "Visual effect only — not a privacy guarantee. Use Redact for sensitive information."},
        {"Bracket",
         "Drag along what you want to bracket — it snaps vertical or horizontal. K switches [ ] { }."},
    };
    for (const auto& row : notes)
        EXPECT_EQ(EditorCanvasSettings::toolNote(QString::fromUtf8(row.tool)), row.note) << row.tool;
}

TEST(ToolTable, DrawingKindIsTheKindNamedLikeTheToolAndBracketDrawsTheChosenShape) {
    EditorCanvasSettings settings;
    for (const ToolTable::Row& row : ToolTable::rows()) {
        for (const ToolTable::BracketChoice& choice : ToolTable::bracketChoices()) {
            SCOPED_TRACE(row.name.toStdString() + " " + choice.name.toStdString());
            const auto expected = row.name == QLatin1String("Bracket") ? std::optional<K>(choice.kind)
                                                                       : annotationKind(row.name.toLower());
            EXPECT_EQ(ToolTable::drawingKind(row.tool, choice.kind), expected);
            settings.choose(row.name);
            settings.style().setBracketKind(choice.kind);
            EXPECT_EQ(settings.style().drawingKind(), expected);
        }
    }
    settings.choose(QStringLiteral("Ruler"));
    EXPECT_FALSE(settings.style().drawingKind());
}

TEST(ToolTable, EachToolIsChosenByItsKindAndKnownByItsName) {
    EditorCanvasSettings settings;
    for (const ToolTable::Row& row : ToolTable::rows()) {
        SCOPED_TRACE(row.name.toStdString());
        EXPECT_EQ(ToolTable::name(row.tool), row.name);
        settings.choose(row.tool);
        EXPECT_EQ(settings.style().tool(), row.name);
        EXPECT_EQ(settings.style().toolKind(), row.tool);
    }
    settings.choose(QStringLiteral("Crop"));
    EXPECT_FALSE(settings.style().toolKind().has_value()) << "a name that is not a tool has no kind";
}

} // namespace
} // namespace quorvane
