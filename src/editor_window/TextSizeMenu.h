#pragma once

#include "editor_window/MenuButton.h"

namespace quorvane {

class EditorCanvasSettings;

// The tool bar's font-size menu: the size's integer part as its label, one checked row per text
// size ("18 pt"); a size outside the list checks no row.
class TextSizeMenu : public MenuButton {
    Q_OBJECT
    Q_PROPERTY(QString accessibilityValue READ accessibilityValue)

public:
    TextSizeMenu(EditorCanvasSettings& settings, const SymbolIcons& icons, QWidget* parent = nullptr);

    QString accessibilityValue() const;

private:
    void refresh();

    EditorCanvasSettings& settings_;
};

} // namespace quorvane
