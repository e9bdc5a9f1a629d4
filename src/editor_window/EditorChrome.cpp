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

const std::map<QString, QString>& symbols() {
    static const std::map<QString, QString> table = {
        {QStringLiteral("Pan"), QStringLiteral("hand.raised")},
        {QStringLiteral("Select"), QStringLiteral("cursorarrow")},
        {QStringLiteral("Arrow"), QStringLiteral("arrow.up.right")},
        {QStringLiteral("Rectangle"), QStringLiteral("rectangle")},
        {QStringLiteral("Oval"), QStringLiteral("circle")},
        {QStringLiteral("Text"), QStringLiteral("textformat")},
        {QStringLiteral("Redact"), QStringLiteral("rectangle.fill")},
        {QStringLiteral("Blur"), QStringLiteral("drop.halffull")},
        {QStringLiteral("Pixelate"), QStringLiteral("squareshape.split.3x3")},
        {QStringLiteral("Color"), QStringLiteral("eyedropper")},
        {QStringLiteral("Ruler"), QStringLiteral("ruler")},
        {QStringLiteral("Freehand"), QStringLiteral("scribble")},
        {QStringLiteral("Highlight"), QStringLiteral("highlighter")},
        {QStringLiteral("Spotlight"), QStringLiteral("light.max")},
        {QStringLiteral("Counter"), QStringLiteral("1.circle")},
        {QStringLiteral("Magnifier"), QStringLiteral("plus.magnifyingglass")},
        {QStringLiteral("Erase"), QStringLiteral("eraser")},
    };
    return table;
}

std::optional<QString> symbol(const QString& tool) {
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
