#pragma once

#include <QPointF>
#include <Qt>

class QKeyEvent;

namespace quorvane {

class CanvasEditCommands;
class CanvasZoom;
class EditorCanvasView;
class EditorDocument;

// The canvas's keys: tool letters, Tab through annotations, Return and Escape per mode, arrows
// that nudge, resize, bend or pan, and the Ctrl shortcuts for undo, duplicate and zoom.
class CanvasKeyboard {
public:
    CanvasKeyboard(EditorCanvasView& view, CanvasEditCommands& commands, CanvasZoom& zoom)
        : view_(view), commands_(commands), zoom_(zoom) {}

    // The modifiers that count: keypad and group switch say nothing about intent.
    static Qt::KeyboardModifiers relevant(Qt::KeyboardModifiers modifiers);

    // True when the canvas used the key.
    bool keyPress(const QKeyEvent& event);
    // Whether the canvas wants a key that a window shortcut would otherwise take.
    bool claims(const QKeyEvent& event) const;
    // The Ctrl shortcuts; true when consumed.
    bool shortcut(int key, Qt::KeyboardModifiers modifiers);

    // Selects the next annotation inside the crop, front to back and wrapping; false when the
    // Select tool is not in use or nothing can be selected.
    bool cycleAnnotations(bool backward);
    bool returnPressed();
    bool arrowPressed(double dx, double dy, Qt::KeyboardModifiers modifiers);
    void escape();

private:
    bool clearRulers();
    bool toolKey(int key);
    void addFromSelection(EditorDocument& doc);

    EditorCanvasView& view_;
    CanvasEditCommands& commands_;
    CanvasZoom& zoom_;
};

} // namespace quorvane
