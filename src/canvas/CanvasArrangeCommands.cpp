#include "canvas/CanvasArrangeCommands.h"

#include "canvas/AnnotationTextEditor.h"
#include "canvas/CanvasEditCommands.h"
#include "canvas/EditorCanvasSettings.h"
#include "canvas/EditorCanvasView.h"
#include "document/EditorDocument.h"
#include "platform/Beeper.h"

#include <cmath>

namespace quorvane {

bool CanvasArrangeCommands::textEditorOpen() const {
    return view_.textEditor().isOpen();
}

void CanvasArrangeCommands::beep() const {
    if (Beeper* beeper = view_.editCommands().beeper()) beeper->beep();
}

QRectF CanvasArrangeCommands::visibleCanvasRect() const {
    const EditorDocument* doc = view_.document();
    if (doc == nullptr) return {};
    const QRectF crop = doc->cropRect();
    const CanvasTransform t = view_.transform();
    if (view_.width() > 0 && view_.height() > 0 && std::isfinite(t.zoom) && t.zoom > 0) {
        const QPointF a = t.imagePoint(QPointF(0, 0));
        const QPointF b = t.imagePoint(QPointF(view_.width(), view_.height()));
        const QRectF visible(a, b);
        const QRectF shown = visible.intersected(QRectF(0, 0, crop.width(), crop.height()));
        if (shown.width() > 0 && shown.height() > 0) return shown.translated(crop.topLeft());
    }
    return crop;
}

void CanvasArrangeCommands::bringToFront() {
    moveToEnd(StackEnd::front);
}

void CanvasArrangeCommands::sendToBack() {
    moveToEnd(StackEnd::back);
}

void CanvasArrangeCommands::moveToEnd(StackEnd end) {
    if (textEditorOpen()) return;
    const auto id = view_.settings().modes().selectedID();
    EditorDocument* doc = view_.document();
    if (!id || doc == nullptr) {
        beep();
        return;
    }
    doc->move(*id, end);
    view_.refresh();
}

void CanvasArrangeCommands::alignSelection(const QString& rawValue) {
    const auto alignment = canvasAlignment(rawValue);
    if (!alignment || textEditorOpen()) return;
    EditorCanvasSettings& settings = view_.settings();
    const auto id = settings.modes().selectedID();
    EditorDocument* doc = view_.document();
    if (!id || doc == nullptr) {
        beep();
        return;
    }
    if (const auto aligned = doc->align(*id, *alignment); !aligned) {
        settings.modes().setMessage(aligned.error().message);
        settings.announce(aligned.error().message);
    }
    view_.refresh();
}

void CanvasArrangeCommands::selectAddedOverlay(const QUuid& id) {
    EditorCanvasSettings& settings = view_.settings();
    if (settings.style().toolKind() != ToolTable::Tool::select || settings.modes().cropping() ||
        settings.modes().recognizing())
        settings.choose(ToolTable::Tool::select);
    std::optional<Annotation> added;
    if (const EditorDocument* doc = view_.document()) {
        for (const Annotation& a : doc->annotations())
            if (a.id == id) {
                added = a;
                break;
            }
    }
    settings.select(added);
    settings.announce(QStringLiteral("Image added"));
    view_.refresh();
}

} // namespace quorvane
