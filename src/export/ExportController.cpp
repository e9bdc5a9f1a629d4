#include "export/ExportController.h"

#include "core/Log.h"
#include "core/LoggedReason.h"
#include "export/ExportFiles.h"
#include "export/ExportSettings.h"
#include "export/FileDialogs.h"
#include "export/ImageExporter.h"
#include "export/ImageImporter.h"
#include "platform/Beeper.h"
#include "platform/Clipboard.h"
#include "platform/PosixFile.h"

#include <QFileInfo>
#include <algorithm>

namespace quorvane {
namespace {

const QString exportDomain = QStringLiteral("Quorvane.Export");

Error clipboardChanged() {
    return {exportDomain, 4,
            QStringLiteral("The clipboard changed while the image was being prepared. Copy again.")};
}

QString operationName(std::optional<ImageExporter::Format> format) {
    return format ? ImageExporter::rawValue(*format) : QStringLiteral("reopen");
}

struct Encoded {
    QByteArray png;
    QSize size;
};

// The final image as PNG bytes; any thread.
Result<Encoded, Error> encodedFinal(const ExportController::Renderer& render,
                                    const EditorDocument::Output& output) {
    auto image = render(output);
    if (!image) return Failure{image.error()};
    auto png = ImageExporter::encode(*image, ImageExporter::Format::png, 0.9);
    if (!png) return Failure{ImageExporter::error(png.error())};
    return Encoded{std::move(*png), image->size()};
}

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

Error ExportController::noDocument() {
    return {exportDomain, 2, QStringLiteral("There is no image to export.")};
}

Error ExportController::reviewOpen() {
    return {exportDomain, 5, QStringLiteral("Apply or cancel Redact Text first.")};
}

ExportController::ExportController(DocumentSource document, ExportSettings& settings, Clipboard& clipboard,
                                   Beeper& beeper, Required<bool(const QImage&)> reopen, QObject* parent)
    : QObject(parent), onReopen(std::move(reopen)), chooser(FileDialogs::choose),
      renderer(EditorDocument::renderOutput),
      saver([](const QImage& image, const QUrl& destination, ImageExporter::Format format, double quality) {
          return ImageExporter::save(image, destination, format, quality);
      }),
      document_(std::move(document)), settings_(settings), clipboard_(clipboard), beeper_(beeper),
      background_(new BackgroundExports(this)) {
    // A file deleted since is found out only when it is reopened.
    if (const auto path = settings_.lastExport(); path && !path->isEmpty())
        lastURL_ = QUrl::fromLocalFile(*path);
    settings_.onExportSettingsChanged(this, [this] { Q_EMIT settingsChanged(); });
    connect(background_, &BackgroundExports::pendingChanged, this, &ExportController::pendingExportsChanged);
}

ExportController::~ExportController() {
    // The worker goes first: its running work may still post an outcome to us.
    delete background_;
}

int ExportController::pendingExports() const {
    return background_->pending();
}

void ExportController::setMessage(const QString& message) {
    message_ = message;
    Q_EMIT messageChanged();
}

bool ExportController::refusesExport(EditorDocument* document, RefusalSound sound) {
    if (document == nullptr || document->textRedactionReview() == nullptr) return false;
    if (sound == RefusalSound::beep) beeper_.beep();
    setMessage(QStringLiteral("Export failed: ") + reviewOpen().message);
    Log::exporting().log("Export refused: Redact Text review open");
    return true;
}

bool ExportController::hasUnexportedChanges(const EditorDocument* document) const {
    if (document == nullptr || document->revision() < 1) return false;
    const auto entry = exportedRevisions_.constFind(document);
    return entry == exportedRevisions_.constEnd() || *entry != document->revision();
}

void ExportController::markExported(EditorDocument& document, qint64 revision) {
    auto entry = exportedRevisions_.find(&document);
    if (entry == exportedRevisions_.end()) {
        exportedRevisions_.insert(&document, revision);
        // Removed before the address can be used again.
        connect(&document, &QObject::destroyed, this,
                [this, key = &document] { exportedRevisions_.remove(key); });
    } else {
        *entry = std::max(*entry, revision);
    }
    Q_EMIT exported();
}

bool ExportController::rendersInBackground(const EditorDocument& document) const {
    if (document.backdrop()) return true;
    const QSizeF size = document.finalPixelSize();
    return size.width() * size.height() >= backgroundPixels;
}

void ExportController::fail(std::optional<ImageExporter::Format> format, const Error& error, bool report) {
    Log::exporting().error("Export failed ({}): {} {}{}", operationName(format), error.domain, error.code,
                           loggedReason(error));
    if (report) setMessage(QStringLiteral("Export failed: ") + error.message);
}

Result<void, Error> ExportController::perform(std::optional<ImageExporter::Format> format,
                                              const std::function<Result<void, Error>()>& step) {
    Result<void, Error> done = step();
    if (!done) fail(format, done.error());
    return done;
}

Result<void, Error> ExportController::copyFinal(Encoding encoding) {
    EditorDocument* document = document_();
    if (refusesExport(document)) return Failure{reviewOpen()};
    const std::uint64_t request = ++copyRequest_;
    if (encoding == Encoding::mayUseWorker && document != nullptr && rendersInBackground(*document)) {
        copyInBackground(*document, request);
        return {};
    }
    return perform(ImageExporter::Format::png, [this, document] { return copyStep(document); });
}

Result<void, Error> ExportController::copyStep(EditorDocument* document) {
    if (document == nullptr) return Failure{noDocument()};
    const qint64 revision = document->revision();
    auto encoded = encodedFinal(renderer, document->output(document->annotations()));
    if (!encoded) return Failure{encoded.error()};
    if (const auto copied = ImageExporter::write(encoded->png, clipboard_); !copied)
        return Failure{ImageExporter::error(copied.error())};
    markExported(*document, revision);
    setMessage(QStringLiteral("Copied final image."));
    Log::exporting().log("Copied {}x{} px image", encoded->size.width(), encoded->size.height());
    return {};
}

void ExportController::copyInBackground(EditorDocument& document, std::uint64_t request) {
    const std::uint64_t clipboardCount = clipboard_.changeCount();
    const qint64 revision = document.revision();
    QPointer<EditorDocument> kept(&document);
    background_->run<Encoded>(
        [render = renderer, output = document.output(document.annotations())] {
            return encodedFinal(render, output);
        },
        [this, kept, revision, request, clipboardCount](Result<Encoded, Error> encoded) {
            // A newer copy owns the clipboard and the message now.
            const bool newest = request == copyRequest_;
            if (!encoded) return fail(ImageExporter::Format::png, encoded.error(), newest);
            if (!newest) return;
            (void)perform(ImageExporter::Format::png, [&]() -> Result<void, Error> {
                // Another program's data is never replaced by an image asked for before it.
                if (clipboard_.changeCount() != clipboardCount) return Failure{clipboardChanged()};
                if (const auto copied = ImageExporter::write(encoded->png, clipboard_); !copied)
                    return Failure{ImageExporter::error(copied.error())};
                if (kept) markExported(*kept, revision);
                setMessage(QStringLiteral("Copied final image."));
                Log::exporting().log("Copied {}x{} px image in the background", encoded->size.width(),
                                     encoded->size.height());
                return {};
            });
        });
}

bool ExportController::finishCapture(PostCaptureAction action) {
    switch (action) {
    case PostCaptureAction::showThumbnail:
        return false;
    case PostCaptureAction::openEditor:
        return true;
    case PostCaptureAction::saveToFolder:
        return !saveToFolder(AfterSave::keepEditor, Encoding::onGUIThread);
    case PostCaptureAction::copyToClipboard:
    case PostCaptureAction::copyAndOpenEditor:
        break;
    }
    EditorDocument* document = document_();
    bool failed = true;
    if (!refusesExport(document)) {
        ++copyRequest_;
        failed = !perform(ImageExporter::Format::png, [this, document] { return copyStep(document); }).ok();
    }
    return action == PostCaptureAction::copyAndOpenEditor || failed;
}

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

void ExportController::whenIdle(std::function<void()> handler) {
    background_->whenIdle(std::move(handler));
}

} // namespace quorvane
