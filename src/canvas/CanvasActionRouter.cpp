#include "canvas/CanvasActionRouter.h"

#include "canvas/CanvasArrangeCommands.h"
#include "canvas/EditorCanvasView.h"

#include <QAbstractSpinBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

namespace quorvane {

namespace {

bool takesText(const QWidget* widget) {
    return qobject_cast<const QLineEdit*>(widget) != nullptr ||
           qobject_cast<const QAbstractSpinBox*>(widget) != nullptr ||
           qobject_cast<const QTextEdit*>(widget) != nullptr ||
           qobject_cast<const QPlainTextEdit*>(widget) != nullptr;
}

} // namespace

EditorCanvasView* CanvasActionRouter::focusedCanvas(const QWidget* window) {
    if (window == nullptr) return nullptr;
    QWidget* focus = window->focusWidget();
    for (QWidget* w = focus; w != nullptr; w = w->parentWidget()) {
        if (auto* canvas = qobject_cast<EditorCanvasView*>(w)) return canvas;
        if (w == window) break;
    }
    // A text field of the window keeps the edit commands for itself.
    if (focus != nullptr && takesText(focus)) return nullptr;
    // Focus on a button, a menu or the menu bar (after Escape) or nowhere: the window's
    // commands still belong to its canvas.
    for (EditorCanvasView* canvas : window->findChildren<EditorCanvasView*>())
        if (canvas->isVisible()) return canvas;
    return nullptr;
}

bool CanvasActionRouter::trigger(const QWidget* window, CanvasEditCommands::Action action) {
    EditorCanvasView* canvas = focusedCanvas(window);
    if (canvas == nullptr) return false;
    canvas->editCommands().perform(action);
    return true;
}

bool CanvasActionRouter::alignSelection(const QWidget* window, const QString& rawValue) {
    EditorCanvasView* canvas = focusedCanvas(window);
    if (canvas == nullptr) return false;
    CanvasArrangeCommands(*canvas).alignSelection(rawValue);
    return true;
}

bool CanvasActionRouter::isEnabled(const QWidget* window, CanvasEditCommands::Action action) {
    EditorCanvasView* canvas = focusedCanvas(window);
    return canvas != nullptr && canvas->editCommands().isEnabled(action);
}

} // namespace quorvane
