#include "editor_window/BracketTool.h"

#include "canvas/EditorCanvasSettings.h"

namespace quorvane {

BracketTool::BracketTool(EditorCanvasSettings& settings, const SymbolIcons& icons, QWidget* parent)
    : ToolButton(
          icons, QString(), QStringLiteral("Bracket (K)"), std::nullopt,
          [&settings] { settings.choose(QStringLiteral("Bracket")); }, parent),
      settings_(settings) {
    setHelp(QStringLiteral("Bracket (K) — drag along what you want to bracket"));
    for (auto signal : {&EditorCanvasSettings::croppingChanged, &EditorCanvasSettings::recognizingChanged,
                        &EditorCanvasSettings::toolChanged, &EditorCanvasSettings::bracketKindChanged})
        connect(&settings_, signal, this, &BracketTool::refresh);
    refresh();
}

void BracketTool::refresh() {
    setGlyph(settings_.bracketGlyph());
    setActive(!settings_.cropping() && !settings_.recognizing() &&
              settings_.tool() == QStringLiteral("Bracket"));
}

} // namespace quorvane
