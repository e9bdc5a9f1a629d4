#pragma once

#include "editor_window/MenuButton.h"

#include <array>

namespace quorvane {

class EditorCanvasSettings;

// The tool bar's stroke-width menu with the Fill Shapes switch; its label is the filled square
// while shapes are filled, the line weights otherwise.
class StrokeMenu : public MenuButton {
    Q_OBJECT
    Q_PROPERTY(QString accessibilityValue READ accessibilityValue)

public:
    StrokeMenu(EditorCanvasSettings& settings, const SymbolIcons& icons, QWidget* parent = nullptr);

    static constexpr std::array<int, 3> strokeWidths = {1, 3, 6};

    QString accessibilityValue() const;
    QAction* fillAction() const { return fill_; }

private:
    void refresh();

    EditorCanvasSettings& settings_;
    QAction* fill_ = nullptr;
};

} // namespace quorvane
