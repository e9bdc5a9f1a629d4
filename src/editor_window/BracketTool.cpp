#include "editor_window/BracketTool.h"

#include "canvas/EditorCanvasSettings.h"

namespace quorvane {

BracketTool::BracketTool(EditorCanvasSettings& settings, const SymbolIcons& icons, QWidget* parent)
    : ToolButton(
          icons, QString(), QStringLiteral("Bracket (K)"), std::nullopt,
          [&settings] { settings.choose(ToolTable::Tool::bracket); }, parent),
      settings_(settings) {
    setHelp(QStringLiteral("Bracket (K) — drag along what you want to bracket"));
    for (auto signal : {&PaneModes::croppingChanged, &PaneModes::recognizingChanged})
        connect(&settings_.modes(), signal, this, &BracketTool::refresh);
    for (auto signal : {&ToolStyle::toolChanged, &ToolStyle::bracketKindChanged})
        connect(&settings_.style(), signal, this, &BracketTool::refresh);
    refresh();
}

void BracketTool::refresh() {
    setGlyph(settings_.bracketGlyph());
    setActive(!settings_.modes().cropping() && !settings_.modes().recognizing() &&
              settings_.style().toolKind() == ToolTable::Tool::bracket);
}

} // namespace quorvane
