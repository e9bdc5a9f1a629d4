// The exports of the export controller that ask the user first: Save As, the save folder's
// choice and the before/after GIF. The document asked about is the one exported, whatever
// replaces it while the dialog is open.

#include "core/Log.h"
#include "core/LoggedReason.h"
#include "export/ExportController.h"
#include "export/ExportFiles.h"
#include "export/ExportSettings.h"
#include "export/GIFExporter.h"
#include "export/ImageExporter.h"

#include <QDateTime>
#include <QFileInfo>

namespace quorvane {

void ExportController::saveAs(QWidget* window) {
    EditorDocument* document = document_();
    if (document == nullptr || refusesExport(document)) return;
    // The format and quality as they are now, whatever changes while the dialog is open.
    const ImageExporter::Format format = settings_.format();
    const double quality = settings_.jpegQuality();
    FileRequest request;
    request.kind = FileRequest::Kind::newFile;
    request.window = window;
    request.directory = settings_.saveFolder();
    request.proposedName = ExportFiles::proposedName(document->sourceName(), format, settings_.saveFolder());
    request.nameFilter = ExportFiles::nameFilter(format);
    request.defaultSuffix = ImageExporter::fileExtension(format);
    // The document taken now is the one saved, even when another replaced it meanwhile.
    chooser(request, [self = QPointer(this), kept = QPointer(document), hold = document->keepAlive(), format,
                      quality](std::optional<QString> path) {
        if (!self || !path) return;
        self->finishSaveAs(kept, *path, format, quality);
    });
}

void ExportController::finishSaveAs(EditorDocument* document, const QString& path,
                                    ImageExporter::Format format, double quality) {
    // A review may have been opened while the dialog was.
    if (refusesExport(document)) return;
    const std::uint64_t request = ++saveRequest_;
    const SaveTarget target{QUrl::fromLocalFile(path), format, quality, false};
    if (document != nullptr && rendersInBackground(*document)) {
        saveInBackground(*document, target, AfterSave::hideEditorIfSet, request);
        return;
    }
    (void)perform(format, [&]() -> Result<void, Error> {
        // The document was closed while the dialog was open.
        if (document == nullptr) return Failure{noDocument()};
        return saveStep(document, target, AfterSave::hideEditorIfSet);
    });
}

void ExportController::chooseFolder(QWidget* window) {
    FileRequest request;
    request.kind = FileRequest::Kind::folder;
    request.window = window;
    request.directory = settings_.saveFolder();
    chooser(request, [self = QPointer(this)](std::optional<QString> path) {
        if (!self || !path || path->isEmpty()) return;
        self->settings_.setSaveFolder(*path);
        const QString name = QFileInfo(*path).fileName();
        self->setMessage(QStringLiteral("Save folder: ") + (name.isEmpty() ? *path : name));
    });
}

void ExportController::exportBeforeAfterGIF(QWidget* window) {
    EditorDocument* document = document_();
    if (document == nullptr || refusesExport(document)) return;
    // Text being typed into an annotation is committed first.
    if (window != nullptr)
        if (QWidget* focus = window->focusWidget()) focus->clearFocus();
    FileRequest request;
    request.kind = FileRequest::Kind::newFile;
    request.window = window;
    request.directory = settings_.saveFolder();
    request.proposedName = GIFExporter::suggestedName(*document, QDateTime::currentDateTimeUtc());
    request.nameFilter = QStringLiteral("GIF image (*.gif)");
    request.defaultSuffix = QStringLiteral("gif");
    chooser(request, [self = QPointer(this), kept = QPointer(document),
                      hold = document->keepAlive()](std::optional<QString> path) {
        if (!self || !path) return;
        self->finishBeforeAfterGIF(kept, *path);
    });
}

void ExportController::finishBeforeAfterGIF(EditorDocument* document, const QString& path) {
    if (refusesExport(document)) return;
    const Result<void, Error> saved = document == nullptr
                                          ? Result<void, Error>(Failure{noDocument()})
                                          : GIFExporter::save(*document, QUrl::fromLocalFile(path), renderer);
    if (!saved) {
        const Error& error = saved.error();
        setMessage(QStringLiteral("Export failed: ") + error.message);
        Log::exporting().error("Before/after GIF failed: {} {}{}", error.domain, error.code,
                               loggedReason(error));
        return;
    }
    setMessage(QStringLiteral("Saved before/after GIF to ") +
               ExportFiles::folderDisplayName(QUrl::fromLocalFile(path)) + QLatin1Char('.'));
    Log::exporting().log("Saved before/after GIF");
}

} // namespace quorvane
