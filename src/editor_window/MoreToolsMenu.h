#pragma once

#include "editor_window/MenuButton.h"

#include <QStringList>
#include <optional>

namespace quorvane {

class EditorCanvasSettings;

// The menu of the tools that do not fit the tool bar. While the current tool is one of them its
// symbol is the menu's label on the accent fill, so the current tool never disappears from view.
class MoreToolsMenu : public MenuButton {
    Q_OBJECT
    Q_PROPERTY(QString accessibilityValue READ accessibilityValue)

public:
    MoreToolsMenu(EditorCanvasSettings& settings, const SymbolIcons& icons, QWidget* parent = nullptr);

    void setTools(const QStringList& tools);
    const QStringList& tools() const { return tools_; }
    // The current tool when it is in the menu, none in crop and recognise-text mode.
    std::optional<QString> active() const;
    QString accessibilityValue() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void refresh();
    void rebuildMenu();

    EditorCanvasSettings& settings_;
    const SymbolIcons& icons_;
    QStringList tools_;
};

} // namespace quorvane
