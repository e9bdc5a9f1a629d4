#pragma once

#include "editor_window/ToolButton.h"

namespace quorvane {

class EditorCanvasSettings;

// The Bracket tool's button: the current bracket glyph in the tool-button look, active only
// while Bracket is the tool and neither crop nor recognise-text mode is on.
class BracketTool : public ToolButton {
    Q_OBJECT

public:
    BracketTool(EditorCanvasSettings& settings, const SymbolIcons& icons, QWidget* parent = nullptr);

private:
    void refresh();

    EditorCanvasSettings& settings_;
};

} // namespace quorvane
