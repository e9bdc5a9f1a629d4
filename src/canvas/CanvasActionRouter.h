#pragma once

#include "canvas/CanvasEditCommands.h"

class QString;
class QWidget;

namespace quorvane {

class EditorCanvasView;

// Takes the window's Edit and arrange commands to the canvas that has the keyboard, itself or
// through its in-place text editor. A window without one leaves the commands disabled.
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
