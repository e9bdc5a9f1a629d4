#include "app/ThumbnailCommands.h"

#include "capture/CaptureController.h"
#include "document/EditorDocument.h"
#include "export/ExportController.h"
#include "panels/ThumbnailController.h"
#include "platform/Beeper.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

namespace quorvane {

ThumbnailCommands::ThumbnailCommands(ThumbnailController& thumbnails, CaptureController& captures,
                                     ExportController& exporter, Beeper& beeper, QObject* parent)
    : QObject(parent), thumbnails_(thumbnails), captures_(captures), exporter_(exporter), beeper_(beeper) {
    connect(&thumbnails_, &ThumbnailController::saveRequested, this, [this] {
        guarded([this] {
            // A failure has said why in the status message.
            (void)exporter_.saveToFolder(ExportController::AfterSave::hideEditorIfSet,
                                         ExportController::Encoding::mayUseWorker);
        });
    });
    connect(&thumbnails_, &ThumbnailController::pinRequested, this,
            [this] { guarded([this] { Q_EMIT pinRequested(); }); });
    // Opening the editor exports nothing and is never refused.
    connect(&thumbnails_, &ThumbnailController::editRequested, this, &ThumbnailCommands::editRequested);
}

ThumbnailCommands::~ThumbnailCommands() {
    unbind();
}

bool ThumbnailCommands::copy() {
    bool started = false;
    // A stale card has been dismissed with a beep: the thumbnail stays quiet then.
    guarded(
        [this, &started] { started = exporter_.copyFinal(ExportController::Encoding::mayUseWorker).ok(); });
    return started;
}

Result<void, Error> ThumbnailCommands::showThumbnail() {
    EditorDocument* document = captures_.document();
    if (document == nullptr)
        return Failure{
            Error{QStringLiteral("Quorvane.Thumbnail"), 1, QStringLiteral("There is no image to show.")}};
    auto image = EditorDocument::renderOutput(document->output(document->annotations()));
    if (!image) return Failure{image.error()};
    // The screen under the pointer, else the primary one.
    thumbnails_.show(*image, QGuiApplication::screenAt(QCursor::pos()));
    bind(*document);
    return {};
}

void ThumbnailCommands::bind(EditorDocument& document) {
    unbind();
    document_ = &document;
    revision_ = document.revision();
    documentWatch_ =
        connect(&captures_, &CaptureController::documentChanged, this, &ThumbnailCommands::checkBinding);
    revisionWatch_ =
        connect(&document, &EditorDocument::revisionChanged, this, &ThumbnailCommands::checkBinding);
}

void ThumbnailCommands::unbind() {
    disconnect(documentWatch_);
    disconnect(revisionWatch_);
}

void ThumbnailCommands::checkBinding() {
    if (matchesDocument()) return;
    // The first mismatch ends the binding.
    unbind();
    thumbnails_.dismiss();
}

bool ThumbnailCommands::matchesDocument() const {
    const EditorDocument* document = document_;
    return document != nullptr && document == captures_.document() && document->revision() == revision_;
}

bool ThumbnailCommands::guarded(const std::function<void()>& body) {
    if (!matchesDocument()) {
        thumbnails_.dismiss();
        beeper_.beep();
        return false;
    }
    body();
    return true;
}

bool ThumbnailCommands::mayExport(std::optional<ThumbnailAction> action) {
    EditorDocument* document = document_;
    if (document != nullptr && document->textRedactionReview() != nullptr) {
        // The exporter's message says why; the thumbnail beeps.
        exporter_.refusesExport(document, ExportController::RefusalSound::callerBeeps);
        return false;
    }
    const bool exportAction = action == ThumbnailAction::copy || action == ThumbnailAction::save;
    return !(exportAction && exporter_.pendingExports() >= 1);
}

} // namespace quorvane
