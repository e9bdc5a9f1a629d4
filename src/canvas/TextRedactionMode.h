#pragma once

#include "canvas/TextRedactionController.h"

namespace quorvane {

class EditorCanvasSettings;
class EditorDocument;

// Opening and closing a pane's Redact Text review: the texts, the announcements and the order in
// which the other modes give way to it.
class TextRedactionMode {
public:
    explicit TextRedactionMode(EditorCanvasSettings& settings) : settings_(settings) {}

    // Commits an open text edit, closes an earlier review, and reviews the selection or the
    // whole image; an image that cannot be made only sets the message.
    void start(EditorDocument& document, const TextRedactionController::Recognize& recognize);
    // Applies (when it can) and closes the open review; Return while recognising does nothing.
    void finish(bool apply);

private:
    // Stops the open review and lets go of it.
    void end();

    EditorCanvasSettings& settings_;
};

} // namespace quorvane
