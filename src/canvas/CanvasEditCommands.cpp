#include "canvas/CanvasEditCommands.h"

#include "canvas/AnnotationTextEditor.h"
#include "canvas/AnnotationTextView.h"
#include "canvas/CanvasArrangeCommands.h"
#include "canvas/EditorCanvasSettings.h"
#include "canvas/EditorCanvasView.h"
#include "canvas/SmartModes.h"
#include "canvas/TextRedactionReview.h"
#include "document/EditorDocument.h"
#include "export/ImageExporter.h"
#include "platform/Beeper.h"

namespace quorvane {

void CanvasEditCommands::setServices(Clipboard* clipboard, Beeper* beeper) {
    clipboard_ = clipboard;
    beeper_ = beeper;
}

bool CanvasEditCommands::textEditorOpen() const {
    return view_.textEditor().isOpen();
}

bool CanvasEditCommands::reviewOpen() const {
    const EditorDocument* doc = view_.document();
    return doc != nullptr && doc->textRedactionReview() != nullptr;
}

void CanvasEditCommands::perform(Action action) {
    switch (action) {
    case Action::copy:
        copy();
        break;
    case Action::undo:
        undo();
        break;
    case Action::redo:
        redo();
        break;
    case Action::deleteSelection:
        deleteSelection();
        break;
    case Action::redactText:
        redactText();
        break;
    case Action::duplicate:
        duplicate();
        break;
    case Action::bringForward:
        reorder(1);
        break;
    case Action::sendBackward:
        reorder(-1);
        break;
    case Action::bringToFront:
        CanvasArrangeCommands(view_).bringToFront();
        break;
    case Action::sendToBack:
        CanvasArrangeCommands(view_).sendToBack();
        break;
    }
}

bool CanvasEditCommands::isEnabled(Action action) const {
    if (action != Action::copy || textEditorOpen()) return true;
    if (reviewOpen()) return false;
    if (validateCopy)
        if (const auto answer = validateCopy()) return *answer;
    return true;
}

void CanvasEditCommands::deleteSelection() {
    if (textEditorOpen()) return;
    EditorDocument* doc = view_.document();
    EditorCanvasSettings& settings = view_.settings();
    if (const auto id = settings.modes().selectedID(); id && doc != nullptr) {
        doc->deleteAnnotation(*id);
        settings.announce(QStringLiteral("Annotation deleted"));
    }
    settings.modes().setSelectedID(std::nullopt);
    view_.refresh();
}

void CanvasEditCommands::copy() {
    EditorCanvasSettings& settings = view_.settings();
    if (textEditorOpen()) {
        if (AnnotationTextView* text = view_.textEditor().textView()) text->copy();
        return;
    }
    if (reviewOpen()) {
        if (beeper_ != nullptr) beeper_->beep();
        const QString refusal = QStringLiteral("Apply or cancel Redact Text first.");
        settings.modes().setMessage(refusal);
        settings.announce(refusal);
        return;
    }
    if (copyHandler && copyHandler()) return;
    EditorDocument* doc = view_.document();
    if (doc == nullptr) return;
    if (clipboard_ == nullptr) {
        if (beeper_ != nullptr) beeper_->beep();
        return;
    }
    auto image = EditorDocument::renderOutput(doc->output(doc->annotations()));
    if (!image) {
        settings.modes().setMessage(image.error().message);
        return;
    }
    auto png = ImageExporter::encode(image.value(), ImageExporter::Format::png, 0.9);
    if (!png) {
        settings.modes().setMessage(ImageExporter::message(png.error()));
        return;
    }
    if (const auto copied = ImageExporter::write(png.value(), *clipboard_); !copied) {
        settings.modes().setMessage(ImageExporter::message(copied.error()));
        return;
    }
    settings.modes().setMessage(QStringLiteral("Copied image."));
    settings.announce(QStringLiteral("Copied image"));
}

void CanvasEditCommands::undo() {
    step(History::undo);
}

void CanvasEditCommands::redo() {
    step(History::redo);
}

void CanvasEditCommands::step(History direction) {
    const bool redo = direction == History::redo;
    if (textEditorOpen()) {
        if (AnnotationTextView* text = view_.textEditor().textView()) redo ? text->redo() : text->undo();
        return;
    }
    EditorDocument* doc = view_.document();
    if (doc == nullptr) return;
    redo ? doc->undoManager().redo() : doc->undoManager().undo();
    view_.refresh();
}

void CanvasEditCommands::redactText() {
    if (startTextRedaction) startTextRedaction();
    view_.refresh();
}

void CanvasEditCommands::duplicate() {
    if (textEditorOpen()) return;
    EditorDocument* doc = view_.document();
    const auto id = view_.settings().modes().selectedID();
    if (id && doc != nullptr) {
        if (SmartModes* modes = view_.smartModes())
            modes->duplicate(*id, *doc);
        else if (const auto copy = doc->duplicateAnnotation(*id))
            view_.settings().modes().setSelectedID(*copy);
    }
    view_.refresh();
}

void CanvasEditCommands::reorder(int offset) {
    if (textEditorOpen()) return;
    EditorDocument* doc = view_.document();
    if (const auto id = view_.settings().modes().selectedID(); id && doc != nullptr)
        doc->reorder(*id, offset);
    view_.refresh();
}

void CanvasEditCommands::endTextRedaction(bool apply) {
    if (finishTextRedaction)
        finishTextRedaction(apply);
    else
        view_.settings().finishTextRedaction(apply);
    view_.refresh();
}

} // namespace quorvane
