#include "editor_window/CompositionCommands.h"

#include "canvas/CanvasArrangeCommands.h"
#include "canvas/EditorCanvasSettings.h"
#include "canvas/EditorCanvasView.h"
#include "capture/CaptureController.h"
#include "core/Geometry.h"
#include "core/Log.h"
#include "document/EditorDocument.h"
#include "editor_window/ExpandCanvasSheet.h"
#include "editor_window/SheetPresenter.h"
#include "export/ImageImporter.h"
#include "platform/Beeper.h"
#include "platform/Clipboard.h"

#include <QClipboard>
#include <QPointer>
#include <QWidget>

namespace quorvane {

CompositionCommands::CompositionCommands(Context context, QObject* parent)
    : QObject(parent), context_(std::move(context)) {
    CaptureController& capture = context_.capture;
    connect(&capture, &CaptureController::overlayImageCaptured, this,
            &CompositionCommands::addCapturedOverlay);
    connect(&capture, &CaptureController::busyChanged, this, &CompositionCommands::stateChanged);
    connect(&capture, &CaptureController::documentChanged, this, [this] {
        watchDocument();
        Q_EMIT stateChanged();
    });
    watchDocument();
    connect(&context_.clipboard, &Clipboard::offerChanged, this, &CompositionCommands::stateChanged);
}

void CompositionCommands::watchDocument() {
    disconnect(documentRevision_);
    if (EditorDocument* document = context_.capture.document())
        documentRevision_ =
            connect(document, &EditorDocument::revisionChanged, this, &CompositionCommands::stateChanged);
}

QWidget* CompositionCommands::window() const {
    return context_.editorWindow();
}

void CompositionCommands::present() {
    context_.presentEditor();
}

void CompositionCommands::fail(const QString& message) {
    context_.capture.setErrorMessage(message);
    context_.capture.setErrorIsRetryable(false);
}

bool CompositionCommands::editable() const {
    const CaptureController& capture = context_.capture;
    const bool scrolling = context_.scrollingUnderway();
    return capture.document() != nullptr && !capture.isBusy() && !scrolling;
}

bool CompositionCommands::canPasteOverlay() const {
    return editable() && ImageImporter::canRead(context_.clipboard);
}

bool CompositionCommands::canFlatten() const {
    const EditorDocument* document = context_.capture.document();
    if (!editable() || document == nullptr) return false;
    const QImage& base = document->base()->image();
    return !document->annotations().empty() ||
           !geom::exactlyEqual(document->cropRect(), QRectF(0, 0, base.width(), base.height()));
}

bool CompositionCommands::mayExportDocument() const {
    return editable() && context_.mayExportDocument();
}

EditorCanvasView* CompositionCommands::editorCanvas(const EditorDocument& document) const {
    QWidget* root = window();
    if (root == nullptr) return nullptr;
    // findChildren walks depth first, each parent before its children.
    for (EditorCanvasView* canvas : root->findChildren<EditorCanvasView*>())
        if (canvas->document() == &document) return canvas;
    return nullptr;
}

void CompositionCommands::pasteAsOverlay() {
    EditorDocument* document = context_.capture.document();
    if (document == nullptr) return context_.beeper.beep();
    const QPointer<EditorDocument> kept(document);
    present();
    EditorCanvasView* canvas = nullptr;
    if (QWidget* editor = window()) {
        // Like resigning the first responder: an open text edit is committed first.
        if (QWidget* focused = editor->focusWidget()) focused->clearFocus();
        canvas = editorCanvas(*document);
        if (canvas != nullptr) canvas->settings().finishOpenText();
    }
    if (!kept) return;
    const std::optional<QRectF> placement =
        canvas != nullptr ? std::optional(CanvasArrangeCommands(*canvas).visibleCanvasRect()) : std::nullopt;
    std::unique_ptr<ClipboardOffer> offer = context_.clipboard.offer();
    if (!offer) return context_.beeper.beep();
    // Another program's offer is read without the window waiting for it, the input that follows
    // waiting instead; the document may be gone by the time it came. Given up, it fails as a
    // holder that went silent does, unless the person gave it up.
    InputHold::Token held = context_.input.hold(InputHold::activeWindow(), [this](InputHold::Reason why) {
        pastes_.cancel();
        if (InputHold::failed(why)) fail(ImageImporter::ImportError::unreadable().message());
    });
    pastes_.read(
        std::move(offer), std::move(held),
        [](ClipboardOffer& contents) { return ImageImporter::image(contents); },
        [this, kept, placement](Result<std::optional<QImage>, ImageImporter::ImportError> read) {
            if (!kept) return;
            if (!read) return fail(read.error().message());
            if (!read.value()) return context_.beeper.beep();
            addPastedOverlay(*kept, **read, placement);
        });
}

void CompositionCommands::addPastedOverlay(EditorDocument& document, const QImage& image,
                                           const std::optional<QRectF>& placement) {
    auto added = document.addOverlay(image, std::nullopt, placement);
    if (!added) return fail(message(added.error()));
    if (EditorCanvasView* canvas = editorCanvas(document)) CanvasArrangeCommands(*canvas).selectAddedOverlay(added->id);
    Log::app().log("Pasted {}x{} px overlay", static_cast<long>(added->rect.width()),
                   static_cast<long>(added->rect.height()));
}

void CompositionCommands::addAreaCaptureToImage() {
    if (context_.capture.document() == nullptr) return;
    context_.capture.captureAreaAsOverlay();
}

void CompositionCommands::addCapturedOverlay(const QImage& image, double pixelScale) {
    EditorDocument* document = context_.capture.document();
    if (document == nullptr) return;
    const QPointer<EditorDocument> kept(document);
    present();
    if (!kept) return;
    EditorCanvasView* canvas = editorCanvas(*document);
    const std::optional<QRectF> placement =
        canvas != nullptr ? std::optional(CanvasArrangeCommands(*canvas).visibleCanvasRect()) : std::nullopt;
    auto added = document->addOverlay(image, pixelScale, placement);
    if (!added) return fail(message(added.error()));
    if (canvas != nullptr) CanvasArrangeCommands(*canvas).selectAddedOverlay(added->id);
}

void CompositionCommands::expandCanvas() {
    EditorDocument* document = context_.capture.document();
    if (document == nullptr) return;
    const QPointer<EditorDocument> kept(document);
    present();
    QWidget* editor = window();
    if (editor == nullptr || !kept) return;
    EditorCanvasView* canvas = editorCanvas(*document);
    EditorCanvasSettings* settings = canvas != nullptr ? &canvas->settings() : nullptr;
    if (SheetPresenter* sheets = context_.sheets()) {
        sheets->presentExpandCanvas(document, settings);
        return;
    }
    if (settings != nullptr) settings->finishOpenText();
    auto* sheet = new ExpandCanvasSheet(*document, editor);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->open();
}

void CompositionCommands::flattenImage() {
    EditorDocument* document = context_.capture.document();
    if (document == nullptr) return;
    const QPointer<EditorDocument> kept(document);
    present();
    if (!kept) return;
    EditorCanvasView* canvas = editorCanvas(*document);
    if (canvas != nullptr) canvas->settings().finishOpenText();
    QString text;
    switch (document->flatten()) {
    case FlattenResult::flattened:
        text = QStringLiteral("Flattened into the image. Undo restores the annotations.");
        break;
    case FlattenResult::flattenedClearingHistory:
        text = QStringLiteral("Flattened. Older undo steps were cleared to keep memory bounded; this flatten "
                              "can still be undone.");
        break;
    case FlattenResult::nothingToFlatten:
        return context_.beeper.beep();
    case FlattenResult::allocationFailed:
        return fail(QStringLiteral("Could not allocate the flattened image."));
    }
    if (canvas != nullptr) {
        EditorCanvasSettings& settings = canvas->settings();
        settings.modes().setSelectedID(std::nullopt);
        settings.modes().setMessage(text);
        settings.announce(text);
        canvas->refresh();
    }
    Log::app().log("Flattened {}x{} px", static_cast<long>(document->cropRect().width()),
                   static_cast<long>(document->cropRect().height()));
}

void CompositionCommands::exportBeforeAfterGIF() {
    context_.exportBeforeAfterGIF();
}

} // namespace quorvane
