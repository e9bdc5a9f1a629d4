#include "editor_window/EditorChrome.h"

#include "document/SystemColors.h"

namespace quorvane::EditorChrome {

bool PaletteEntry::operator==(const PaletteEntry& other) const {
    return name == other.name && sameColor(color, other.color);
}

const std::vector<PaletteEntry>& palette() {
    static const std::vector<PaletteEntry> entries = {
        {QStringLiteral("Red"), SystemColors::red()},
        {QStringLiteral("Orange"), SystemColors::orange()},
        {QStringLiteral("Yellow"), SystemColors::yellow()},
        {QStringLiteral("Green"), SystemColors::green()},
        {QStringLiteral("Blue"), SystemColors::blue()},
        {QStringLiteral("Purple"), SystemColors::purple()},
        {QStringLiteral("Black"), SystemColors::black()},
        {QStringLiteral("White"), SystemColors::white()},
    };
    return entries;
}

const std::map<ToolTable::Tool, QString>& symbols() {
    using Tool = ToolTable::Tool;
    static const std::map<Tool, QString> table = {
        {Tool::pan, QStringLiteral("hand.raised")},
        {Tool::select, QStringLiteral("cursorarrow")},
        {Tool::arrow, QStringLiteral("arrow.up.right")},
        {Tool::rectangle, QStringLiteral("rectangle")},
        {Tool::oval, QStringLiteral("circle")},
        {Tool::text, QStringLiteral("textformat")},
        {Tool::redact, QStringLiteral("rectangle.fill")},
        {Tool::blur, QStringLiteral("drop.halffull")},
        {Tool::pixelate, QStringLiteral("squareshape.split.3x3")},
        {Tool::color, QStringLiteral("eyedropper")},
        {Tool::ruler, QStringLiteral("ruler")},
        {Tool::freehand, QStringLiteral("scribble")},
        {Tool::highlight, QStringLiteral("highlighter")},
        {Tool::spotlight, QStringLiteral("light.max")},
        {Tool::counter, QStringLiteral("1.circle")},
        {Tool::magnifier, QStringLiteral("plus.magnifyingglass")},
        {Tool::erase, QStringLiteral("eraser")},
    };
    return table;
}

std::optional<QString> symbol(ToolTable::Tool tool) {
    const auto found = symbols().find(tool);
    if (found == symbols().end()) return std::nullopt;
    return found->second;
}

bool sameColor(const QColor& a, const QColor& b) {
    if (!a.isValid() || !b.isValid()) return false;
    return a.toRgb().rgba() == b.toRgb().rgba();
}

std::optional<QString> paletteName(const QColor& color) {
    for (const PaletteEntry& entry : palette())
        if (sameColor(entry.color, color)) return entry.name;
    return std::nullopt;
}

} // namespace quorvane::EditorChrome
