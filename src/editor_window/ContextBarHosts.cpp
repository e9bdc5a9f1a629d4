#include "editor_window/ContextBarHosts.h"

#include "canvas/EditorCanvasSettings.h"
#include "canvas/TextRedactionController.h"
#include "editor_window/AnnotationToolProperties.h"
#include "editor_window/CompositionControls.h"
#include "editor_window/SymbolIcons.h"
#include "editor_window/TextRedactionBar.h"

namespace quorvane {

ContextBarHosts ContextBarHosts::standIns() {
    return ContextBarHosts{
        .reviewBar = [](TextRedactionReview& review, std::function<void(bool)> finish,
                        const SymbolIcons& icons) -> QWidget* {
            if (auto* controller = qobject_cast<TextRedactionController*>(&review))
                return new TextRedactionBar(*controller, icons, std::move(finish));
            return new QWidget;
        },
        .toolProperties = [](EditorDocument& document, EditorCanvasSettings& settings,
                             const SymbolIcons& icons) -> QWidget* {
            return new AnnotationToolProperties(document, settings, icons);
        },
        .compositionControls = [](EditorDocument& document, EditorCanvasSettings& settings, const QUuid& id,
                                  const SymbolIcons& icons) -> QWidget* {
            return new CompositionControls(document, settings, id, icons);
        },
        .finishTextRedaction = [](EditorCanvasSettings& settings,
                                  bool apply) { settings.finishTextRedaction(apply); },
        // The shell hands in the recogniser for this one.
        .startTextRedaction =
            [](EditorDocument&, EditorCanvasSettings& settings) {
                settings.modes().setMessage(QStringLiteral("Redact Text is not available yet."));
            },
    };
}

} // namespace quorvane
