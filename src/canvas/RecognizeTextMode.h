#pragma once

#include "canvas/RecognitionImage.h"
#include "core/Error.h"
#include "core/Result.h"

#include <QRectF>
#include <functional>
#include <optional>

namespace quorvane {

class EditorCanvasSettings;
class EditorDocument;

// Recognise-text mode of one pane: the user drags over text (or takes the whole image) and the
// rendered picture goes to the recogniser the pane installed.
class RecognizeTextMode {
public:
    using Deliver = std::function<void(const QImage&, const QString&)>;

    // The rendered document, cut to `selection` (canvas pixels) when there is one. Error
    // "Quorvane.OCR" code 1 when the selection does not lie entirely inside the image.
    static Result<RecognitionImage, Error> image(const EditorDocument& document,
                                                 const std::optional<QRectF>& selection);

    explicit RecognizeTextMode(EditorCanvasSettings& settings) : settings_(settings) {}

    // Ends crop mode and the smart modes and puts the instruction in the status.
    void start();
    // Hands the picture to the installed recogniser and leaves the mode; without a recogniser the
    // mode stays on.
    void finish(EditorDocument& document);
    // A failure goes into the status and `deliver` is not called.
    void recognize(EditorDocument& document, const Deliver& deliver);

private:
    EditorCanvasSettings& settings_;
};

} // namespace quorvane
