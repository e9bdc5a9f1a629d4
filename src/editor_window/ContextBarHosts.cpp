#include "editor_window/ContextBarHosts.h"

#include "canvas/EditorCanvasSettings.h"
#include "canvas/TextRedactionController.h"
#include "editor_window/AnnotationToolProperties.h"
#include "editor_window/CompositionControls.h"
#include "editor_window/SymbolIcons.h"
#include "editor_window/TextRedactionBar.h"

#include <memory>

namespace quorvane {

ContextBarHosts ContextBarHosts::standIns() {
    ContextBarHosts hosts;
    hosts.reviewBar = [](TextRedactionReview& review, std::function<void(bool)> finish) -> QWidget* {
        if (auto* controller = qobject_cast<TextRedactionController*>(&review))
            return new TextRedactionBar(*controller, std::move(finish));
        return new QWidget;
    };
    auto icons = std::make_shared<const SymbolIcons>();
    hosts.toolProperties = [icons](EditorDocument& document, EditorCanvasSettings& settings) -> QWidget* {
        return new AnnotationToolProperties(document, settings, *icons);
    };
    hosts.compositionControls = [icons](EditorDocument& document, EditorCanvasSettings& settings,
                                        const QUuid& id) -> QWidget* {
        return new CompositionControls(document, settings, id, *icons);
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
