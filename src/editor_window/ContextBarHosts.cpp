#include "editor_window/ContextBarHosts.h"

#include "canvas/EditorCanvasSettings.h"
#include "editor_window/AnnotationToolProperties.h"
#include "editor_window/CompositionControls.h"
#include "editor_window/SymbolIcons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <memory>

namespace quorvane {

ContextBarHosts ContextBarHosts::standIns() {
    ContextBarHosts hosts;
    hosts.reviewBar = [](TextRedactionReview&, std::function<void(bool)> finish) -> QWidget* {
        auto* bar = new QWidget;
        auto* row = new QHBoxLayout(bar);
        row->setContentsMargins(0, 0, 0, 0);
        row->addWidget(new QLabel(QStringLiteral("Redact Text")));
        for (const auto& [title, apply] :
             {std::pair{QStringLiteral("Apply"), true}, std::pair{QStringLiteral("Cancel"), false}}) {
            auto* button = new QPushButton(title, bar);
            QObject::connect(button, &QPushButton::clicked, bar, [finish, apply = apply] { finish(apply); });
            row->addWidget(button);
        }
        return bar;
    };
    auto icons = std::make_shared<const SymbolIcons>();
    hosts.toolProperties = [icons](EditorDocument& document, EditorCanvasSettings& settings) -> QWidget* {
        return new AnnotationToolProperties(document, settings, *icons);
    };
    hosts.compositionControls = [icons](EditorDocument& document, EditorCanvasSettings& settings,
                                        const QUuid& id) -> QWidget* {
        return new CompositionControls(document, settings, id, *icons);
    };
    // Without the review's own controller both ends leave the review.
    hosts.finishTextRedaction = [](EditorCanvasSettings& settings, bool) { settings.endSmartModes(); };
    hosts.startTextRedaction = [](EditorDocument&, EditorCanvasSettings& settings) {
        settings.setMessage(QStringLiteral("Redact Text is not available yet."));
    };
    return hosts;
}

} // namespace quorvane
