#pragma once

#include "canvas/ToolTable.h"

#include <QColor>
#include <QString>
#include <array>
#include <map>
#include <optional>
#include <vector>

// What the editor window's controls share: the named annotation colours of the colour well, the
// symbol of each tool and the zoom percentages of the zoom menu.
namespace quorvane::EditorChrome {

struct PaletteEntry {
    QString name;
    QColor color;

    bool operator==(const PaletteEntry& other) const;
};

// Eight entries, red to white; the colours are the fixed annotation colours.
const std::vector<PaletteEntry>& palette();
// Each tool's logical symbol name; Bracket has none (its button draws a glyph).
const std::map<ToolTable::Tool, QString>& symbols();
std::optional<QString> symbol(ToolTable::Tool tool);
inline constexpr std::array<int, 5> zoomLevels = {25, 50, 100, 200, 400};

// Colours match by their 8-bit RGBA values; an invalid colour matches nothing.
bool sameColor(const QColor& a, const QColor& b);
// The first palette entry of `color`'s value, none for a colour outside the palette.
std::optional<QString> paletteName(const QColor& color);

} // namespace quorvane::EditorChrome
