#pragma once

#include "canvas/TextRedactionController.h"
#include "core/Required.h"

#include <QImage>
#include <QString>
#include <functional>

namespace quorvane {

class DragExporter;

// The window's actions that the status bar and the toast call. The shell gives every one: a
// button whose action was forgotten would do nothing, silently.
struct EditorActions {
    Required<void()> copy;
    Required<void()> save;
    Required<void()> saveAs;
    Required<void()> pin;
    // Opens the output resize sheet and the backdrop sheet of the current document.
    Required<void()> resizeImage;
    Required<void()> editBackdrop;
    // Hands an image and its source name to text recognition.
    Required<void(const QImage&, const QString&)> recognizeText;
    // Recognises the words and codes a Redact Text review offers; absent, Redact Text is not
    // available.
    TextRedactionController::Recognize recognizeForRedaction{};
    // Absent: the status bar offers no file drag handle.
    DragExporter* dragExporter = nullptr;
    // At least one export is pending.
    bool exporting = false;
};

} // namespace quorvane
