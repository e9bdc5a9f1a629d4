#pragma once

#include "editor_window/TitlebarInset.h"
#include "editor_window/WindowDragArea.h"

class QPushButton;

namespace quorvane {

class EditorCanvasSettings;
class EditorDocument;
class IconButton;
class SymbolIcons;
class ToolArea;

// The top row of the editor pane: the tool area (which folds tools into a More menu as the row
// narrows), then Done while a text is being edited, undo and redo. Its empty parts drag the
// window and a double click on them maximises it.
class EditorToolBar : public WindowDragArea {
    Q_OBJECT

public:
    EditorToolBar(EditorDocument& document, EditorCanvasSettings& settings, const SymbolIcons& icons,
                  QWidget* parent = nullptr);

    void setInset(const TitlebarInset& inset);
    const TitlebarInset& inset() const { return inset_; }

    ToolArea* toolArea() const { return area_; }
    QPushButton* doneButton() const { return done_; }
    IconButton* undoButton() const { return undo_; }
    IconButton* redoButton() const { return redo_; }

private:
    void refreshUndo();
    void applyInset();

    EditorDocument& document_;
    EditorCanvasSettings& settings_;
    TitlebarInset inset_;
    ToolArea* area_ = nullptr;
    QPushButton* done_ = nullptr;
    IconButton* undo_ = nullptr;
    IconButton* redo_ = nullptr;
};

} // namespace quorvane
