#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace quorvane {

class Beeper;
class Clipboard;
class EditorCanvasView;

// The Edit and arrange commands as they reach the focused canvas: each edit is one undo step of
// the document, and an open in-place text editor keeps undo, redo and copy for its own text.
class CanvasEditCommands {
public:
    enum class Action {
        copy,
        undo,
        redo,
        deleteSelection,
        redactText,
        duplicate,
        bringForward,
        sendBackward,
        bringToFront,
        sendToBack
    };

    explicit CanvasEditCommands(EditorCanvasView& view) : view_(view) {}

    // The services copying needs; without them Copy and colour copies only beep.
    void setServices(Clipboard* clipboard, Beeper* beeper);
    Beeper* beeper() const { return beeper_; }
    // The shell's Copy: true when it copied (it ends text editing itself). Unset or false, the
    // canvas copies its own final image.
    std::function<bool()> copyHandler;
    // The shell's judgement of Copy; none leaves it enabled.
    std::function<std::optional<bool>()> validateCopy;
    // Ends a Redact Text review, applying it or not; unset, the settings end it.
    std::function<void(bool apply)> finishTextRedaction;
    // Starts a Redact Text review of the document.
    std::function<void()> startTextRedaction;

    void perform(Action action);
    bool isEnabled(Action action) const;

    void deleteSelection();
    void copy();
    void undo();
    void redo();
    void redactText();
    void duplicate();
    void reorder(int offset);
    // Escape or Return during a Redact Text review.
    void endTextRedaction(bool apply);

private:
    enum class History { undo, redo };
    // One step back or forward, in the open text box or else in the document.
    void step(History direction);
    bool textEditorOpen() const;
    bool reviewOpen() const;

    EditorCanvasView& view_;
    Clipboard* clipboard_ = nullptr;
    Beeper* beeper_ = nullptr;
};

} // namespace quorvane
