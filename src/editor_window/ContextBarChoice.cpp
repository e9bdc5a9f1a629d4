#include "editor_window/ContextBarChoice.h"

#include "canvas/EditorCanvasSettings.h"
#include "canvas/ToolAnnotationFactory.h"
#include "document/EditorDocument.h"

namespace quorvane {

ContextBar chooseContextBar(const EditorCanvasSettings& settings, const EditorDocument& document) {
    using Tool = ToolTable::Tool;
    const std::optional<Tool> tool = settings.style().toolKind();
    if (settings.modes().textRedaction() != nullptr) return ContextBar::review;
    if (settings.modes().recognizing()) return ContextBar::recognizeText;
    if (!settings.modes().cropping()) {
        if (tool == Tool::arrow) return ContextBar::arrow;
        if (tool == Tool::bracket) return ContextBar::bracket;
        if (tool == Tool::color) return ContextBar::colorSampler;
        if (tool == Tool::ruler) return ContextBar::ruler;
    } else {
        return ContextBar::crop;
    }
    if (settings.modes().selectedID()) return ContextBar::selection;
    if (tool && ToolAnnotationFactory::builds(*tool)) return ContextBar::inspector;
    if (tool && ToolTable::row(*tool).note) return ContextBar::note;
    const QImage& base = document.base()->image();
    const QRectF whole(0, 0, base.width(), base.height());
    const QRectF crop = document.cropRect();
    if (crop.x() != whole.x() || crop.y() != whole.y() || crop.width() != whole.width() ||
        crop.height() != whole.height())
        return ContextBar::resetCrop;
    return ContextBar::empty;
}

} // namespace quorvane
