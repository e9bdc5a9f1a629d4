#include "editor_window/ContextBarChoice.h"

#include "canvas/EditorCanvasSettings.h"
#include "document/EditorDocument.h"

namespace quorvane {

ContextBar chooseContextBar(const EditorCanvasSettings& settings, const EditorDocument& document) {
    using Tool = ToolTable::Tool;
    const QString& tool = settings.tool();
    const std::optional<Tool> kind = settings.toolKind();
    if (settings.textRedaction() != nullptr) return ContextBar::review;
    if (settings.recognizing()) return ContextBar::recognizeText;
    if (!settings.cropping()) {
        if (kind == Tool::arrow) return ContextBar::arrow;
        if (kind == Tool::bracket) return ContextBar::bracket;
        if (kind == Tool::color) return ContextBar::colorSampler;
        if (kind == Tool::ruler) return ContextBar::ruler;
    } else {
        return ContextBar::crop;
    }
    if (settings.selectedID()) return ContextBar::selection;
    if (EditorCanvasSettings::annotationTools().contains(tool)) return ContextBar::inspector;
    if (EditorCanvasSettings::toolNote(tool)) return ContextBar::note;
    const QImage& base = document.base()->image();
    const QRectF whole(0, 0, base.width(), base.height());
    const QRectF crop = document.cropRect();
    if (crop.x() != whole.x() || crop.y() != whole.y() || crop.width() != whole.width() ||
        crop.height() != whole.height())
        return ContextBar::resetCrop;
    return ContextBar::empty;
}

} // namespace quorvane
