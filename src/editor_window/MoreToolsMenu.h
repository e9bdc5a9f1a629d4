#pragma once

#include "canvas/ToolTable.h"
#include "editor_window/MenuButton.h"

#include <optional>
#include <vector>

namespace quorvane {

class EditorCanvasSettings;

// The menu of the tools that do not fit the tool bar. While the current tool is one of them its
// symbol is the menu's label on the accent fill, so the current tool never disappears from view.
class MoreToolsMenu : public MenuButton {
    Q_OBJECT
    Q_PROPERTY(QString accessibilityValue READ accessibilityValue)

public:
    MoreToolsMenu(EditorCanvasSettings& settings, const SymbolIcons& icons, QWidget* parent = nullptr);

    void setTools(const std::vector<ToolTable::Tool>& tools);
    const std::vector<ToolTable::Tool>& tools() const { return tools_; }
    // The current tool when it is in the menu, none in crop and recognise-text mode.
    std::optional<ToolTable::Tool> active() const;
    QString accessibilityValue() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void refresh();
    void rebuildMenu();

    EditorCanvasSettings& settings_;
    const SymbolIcons& icons_;
    std::vector<ToolTable::Tool> tools_;
};

} // namespace quorvane
