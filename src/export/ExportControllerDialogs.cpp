// The file side of the export controller: saving into the save folder or under a chosen name,
// choosing the folder, announcing the newest file, reading it back, and the before/after GIF.

#include "core/Log.h"
#include "export/ExportController.h"
#include "export/ExportFiles.h"
#include "export/ExportSettings.h"
#include "export/GIFExporter.h"
#include "export/ImageExporter.h"
#include "export/ImageImporter.h"

#include <QDateTime>
#include <QFileInfo>
#include <algorithm>

namespace quorvane {
namespace {

// Renders and writes one save; any thread.
Result<QSize, Error> renderAndSave(const ExportController::Renderer& render,
                                   const ExportController::Saver& save, const EditorDocument::Output& output,
                                   const QUrl& destination, ImageExporter::Format format, double quality,
                                   bool createFolder) {
    auto image = render(output);
    if (!image) return Failure{image.error()};
    if (createFolder) {
        const QString folder = QFileInfo(destination.toLocalFile()).absolutePath();
        if (auto made = ExportFiles::prepareFolder(folder); !made) return Failure{made.error()};
    }
    if (auto saved = save(*image, destination, format, quality); !saved) return Failure{saved.error()};
    return image->size();
}

} // namespace

Result<void, Error> ExportController::saveToFolder(AfterSave after, Encoding encoding) {
    EditorDocument* document = document_();
    if (refusesExport(document)) return Failure{reviewOpen()};
    const std::uint64_t request = ++saveRequest_;
    const auto target = [this] {
        const ImageExporter::Format format = settings_.format();
        return SaveTarget{ImageExporter::uniqueURL(QUrl::fromLocalFile(settings_.saveFolder()), format),
                          format, settings_.jpegQuality(), true};
    };
    if (encoding == Encoding::mayUseWorker && document != nullptr && rendersInBackground(*document)) {
        saveInBackground(*document, target(), after, request);
        return {};
    }
    return perform(settings_.format(), [&]() -> Result<void, Error> {
        if (document == nullptr) return Failure{noDocument()};
        return saveStep(document, target(), after);
    });
}

Result<void, Error> ExportController::saveStep(EditorDocument* document, const SaveTarget& target,
                                               AfterSave after) {
    const qint64 revision = document->revision();
    auto size = renderAndSave(renderer, saver, document->output(document->annotations()), target.destination,
                              target.format, target.quality, target.createFolder);
    if (!size) return Failure{size.error()};
    didSave(target.destination, *size, target.format, after, true);
    markExported(*document, revision);
    return {};
}

void ExportController::saveInBackground(EditorDocument& document, const SaveTarget& target, AfterSave after,
                                        std::uint64_t request) {
    const qint64 revision = document.revision();
    QPointer<EditorDocument> kept(&document);
    background_->run<QSize>(
        [render = renderer, save = saver, output = document.output(document.annotations()), target] {
            return renderAndSave(render, save, output, target.destination, target.format, target.quality,
                                 target.createFolder);
        },
        [this, kept, revision, request, target, after](Result<QSize, Error> size) {
            const bool newest = request == saveRequest_;
            // A superseded save's failure must not write over the message of the newer one.
            if (!size) return fail(target.format, size.error(), newest);
            // Hidden only while the user still looks at exactly what was saved.
            EditorDocument* current = document_();
            const bool sameView = kept && current == kept.data() && current->revision() == revision;
            didSave(target.destination, *size, target.format, sameView ? after : AfterSave::keepEditor,
                    newest);
            if (kept) markExported(*kept, revision);
        });
}

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

void ExportController::didSave(const QUrl& file, QSize size, ImageExporter::Format format, AfterSave after,
                               bool newest) {
    Log::exporting().log("Saved {}x{} px {}", size.width(), size.height(), ImageExporter::rawValue(format));
    if (!newest) return;
    lastURL_ = file;
    settings_.setLastExport(file.toLocalFile());
    Q_EMIT lastURLChanged();
    setMessage(QStringLiteral("Saved to ") + ExportFiles::folderDisplayName(file) + QLatin1Char('.'));
    if (after == AfterSave::hideEditorIfSet && settings_.hideAfterSave()) Q_EMIT hideEditorRequested();
}

bool ExportController::reopenLast() {
    bool reopened = false;
    const Result<void, Error> read = perform(std::nullopt, [&]() -> Result<void, Error> {
        if (lastURL_.isEmpty())
            return Failure{Error{QStringLiteral("Quorvane.Export"), 1,
                                 QStringLiteral("The last exported file is unavailable.")}};
        auto image = ImageImporter::image(lastURL_);
        if (!image)
            return Failure{Error{QStringLiteral("Quorvane.Import"), 1, image.error().message(lastURL_)}};
        // The capture controller may decline (it keeps unexported work); it says why itself.
        reopened = onReopen(*image);
        if (reopened) setMessage(QStringLiteral("Reopened ") + lastURL_.fileName() + QLatin1Char('.'));
        return {};
    });
    return read.ok() && reopened;
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
