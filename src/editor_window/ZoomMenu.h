#pragma once

#include "editor_window/MenuButton.h"

namespace quorvane {

class EditorCanvasSettings;

// The status bar's zoom menu: "Fit" or the zoom percentage as its label; Fit to Window, the
// fixed percentages and the Pixelated switch. It handles no keys: the canvas owns Ctrl+0, Ctrl+=
// and Ctrl+-.
class ZoomMenu : public MenuButton {
    Q_OBJECT
    Q_PROPERTY(QString accessibilityValue READ accessibilityValue)

public:
    ZoomMenu(EditorCanvasSettings& settings, const SymbolIcons& icons, QWidget* parent = nullptr);

    // What the label shows: "Fit" or the zoom percentage.
    QString accessibilityValue() const { return labelText(); }

    QAction* pixelatedAction() const { return pixelated_; }

private:
    void refresh();
    void zoomTo(int percent);

    EditorCanvasSettings& settings_;
    QAction* pixelated_ = nullptr;
};

} // namespace quorvane
