#include "canvas/CanvasActionRouter.h"

#include "canvas/CanvasArrangeCommands.h"
#include "canvas/EditorCanvasView.h"

#include <QWidget>

namespace quorvane {

EditorCanvasView* CanvasActionRouter::focusedCanvas(const QWidget* window) {
    if (window == nullptr) return nullptr;
    for (QWidget* w = window->focusWidget(); w != nullptr; w = w->parentWidget()) {
        if (auto* canvas = qobject_cast<EditorCanvasView*>(w)) return canvas;
        if (w == window) break;
    }
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
