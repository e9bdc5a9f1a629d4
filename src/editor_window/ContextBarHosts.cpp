#include "editor_window/ContextBarHosts.h"

#include "canvas/EditorCanvasSettings.h"
#include "canvas/TextRedactionController.h"
#include "editor_window/TextRedactionBar.h"

namespace quorvane {

ContextBarHosts ContextBarHosts::standIns() {
    ContextBarHosts hosts;
    hosts.reviewBar = [](TextRedactionReview& review, std::function<void(bool)> finish) -> QWidget* {
        if (auto* controller = qobject_cast<TextRedactionController*>(&review))
            return new TextRedactionBar(*controller, std::move(finish));
        return new QWidget;
    };
    hosts.toolProperties = [](EditorDocument&, EditorCanvasSettings&) -> QWidget* { return new QWidget; };
    hosts.compositionControls = [](EditorDocument&, EditorCanvasSettings&, const QUuid&) -> QWidget* {
        return new QWidget;
    };
    hosts.finishTextRedaction = [](EditorCanvasSettings& settings, bool apply) {
        settings.finishTextRedaction(apply);
    };
    // The shell hands in the recogniser for this one.
    hosts.startTextRedaction = [](EditorDocument&, EditorCanvasSettings& settings) {
        settings.setMessage(QStringLiteral("Redact Text is not available yet."));
    };
    return hosts;
}

} // namespace quorvane
