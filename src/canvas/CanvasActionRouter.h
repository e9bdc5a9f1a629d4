#pragma once

#include "canvas/CanvasEditCommands.h"

class QString;
class QWidget;

namespace quorvane {

class EditorCanvasView;

// Takes the window's Edit and arrange commands to its canvas: the one that has the keyboard,
// itself or through its in-place text editor, or, while the keyboard is on a button, a menu or
// nowhere, the window's visible canvas. A text field with the keyboard, or a window without a
// canvas, leaves the commands disabled.
class CanvasActionRouter {
public:
    static EditorCanvasView* focusedCanvas(const QWidget* window);
    // False when no canvas took the command.
    static bool trigger(const QWidget* window, CanvasEditCommands::Action action);
    static bool isEnabled(const QWidget* window, CanvasEditCommands::Action action);
    // An Align item's raw value ("left", …); false when no canvas took it.
    static bool alignSelection(const QWidget* window, const QString& rawValue);
};

} // namespace quorvane
