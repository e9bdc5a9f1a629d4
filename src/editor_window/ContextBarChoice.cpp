#include "editor_window/ContextBarChoice.h"

#include "canvas/EditorCanvasSettings.h"
#include "document/EditorDocument.h"

namespace quorvane {

ContextBar chooseContextBar(const EditorCanvasSettings& settings, const EditorDocument& document) {
    const QString& tool = settings.tool();
    if (settings.textRedaction() != nullptr) return ContextBar::review;
    if (settings.recognizing()) return ContextBar::recognizeText;
    if (!settings.cropping()) {
        if (tool == QLatin1String("Arrow")) return ContextBar::arrow;
        if (tool == QLatin1String("Bracket")) return ContextBar::bracket;
        if (tool == QLatin1String("Color")) return ContextBar::colorSampler;
        if (tool == QLatin1String("Ruler")) return ContextBar::ruler;
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
