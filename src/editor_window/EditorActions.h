#pragma once

#include "canvas/TextRedactionController.h"

#include <QImage>
#include <QString>
#include <functional>

namespace quorvane {

class DragExporter;

// The window's actions that the status bar and the toast call. The shell fills them; a missing
// one does nothing.
struct EditorActions {
    std::function<void()> copy;
    std::function<void()> save;
    std::function<void()> saveAs;
    std::function<void()> pin;
    // Opens the output resize sheet and the backdrop sheet of the current document.
    std::function<void()> resizeImage;
    std::function<void()> editBackdrop;
    // Hands an image and its source name to text recognition.
    std::function<void(const QImage&, const QString&)> recognizeText;
    // Recognises the words and codes a Redact Text review offers; absent, Redact Text is not
    // available.
    TextRedactionController::Recognize recognizeForRedaction;
    // Absent: the status bar offers no file drag handle.
    DragExporter* dragExporter = nullptr;
    // At least one export is pending.
    bool exporting = false;

    static void run(const std::function<void()>& action) {
        if (action) action();
    }
};

} // namespace quorvane
