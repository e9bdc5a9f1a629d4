#pragma once

#include "core/Required.h"

#include <QUuid>
#include <QWidget>
#include <functional>

namespace quorvane {

class EditorCanvasSettings;
class EditorDocument;
class SymbolIcons;
class TextRedactionReview;

// The views of other parts that the context bars host, each given the bar's symbols. Those that
// do not exist yet have plain stand-ins, so the bars' precedence is complete without them.
struct ContextBarHosts {
    // The Redact Text review's bar; `finish` reports apply (true) or cancel (false).
    Required<QWidget*(TextRedactionReview& review, std::function<void(bool apply)> finish,
                      const SymbolIcons& icons)>
        reviewBar;
    // The style controls of the selected annotation or of a drawing tool.
    Required<QWidget*(EditorDocument& document, EditorCanvasSettings& settings, const SymbolIcons& icons)>
        toolProperties;
    // Opacity, alignment and arrangement of the selected annotation.
    Required<QWidget*(EditorDocument& document, EditorCanvasSettings& settings, const QUuid& id,
                      const SymbolIcons& icons)>
        compositionControls;
    // Ends the review: applies its redactions, or cancels it.
    Required<void(EditorCanvasSettings& settings, bool apply)> finishTextRedaction;
    // Starts Redact Text on the selection or the whole image.
    Required<void(EditorDocument& document, EditorCanvasSettings& settings)> startTextRedaction;

    // The views built so far, and stand-ins for every view and operation that is not.
    static ContextBarHosts standIns();
};

} // namespace quorvane
