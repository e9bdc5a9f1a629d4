#include "app/DocumentCommands.h"

#include "app/EditorWindow.h"
#include "app/QuitCoordinator.h"
#include "capture/CaptureController.h"
#include "core/LocalFileUrl.h"
#include "editor_window/EditorView.h"
#include "editor_window/SheetPresenter.h"
#include "export/ExportController.h"
#include "export/FileDialogLook.h"
#include "platform/Beeper.h"
#include "platform/Clipboard.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace quorvane {

DocumentCommands::DocumentCommands(CaptureController& captures, ExportController& exporter,
                                   QuitCoordinator& quit, Clipboard& clipboard, Beeper& beeper,
                                   InputHold& input, Hooks hooks, QObject* parent)
    : QObject(parent), editorWindow(std::move(hooks.editorWindow)),
      commitTextEditing(std::move(hooks.commitEditing)), captures_(captures), exporter_(exporter),
      quit_(quit), clipboard_(clipboard), beeper_(beeper), input_(input) {
    // Where images usually are; later, the folder of the last image opened.
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    openFolder_ = QDir(pictures).exists() ? pictures : QDir::homePath();
}

DocumentCommands::~DocumentCommands() {
    delete openDialog_.data();
}

void DocumentCommands::saveImage() {
    commitTextEditing();
    // A failure has said why in the status message.
    (void)exporter_.saveToFolder(ExportController::AfterSave::hideEditorIfSet,
                                 ExportController::Encoding::mayUseWorker);
}

void DocumentCommands::saveImageAs() {
    commitTextEditing();
    exporter_.saveAs(editorWindow());
}

void DocumentCommands::copyImage() {
    commitTextEditing();
    // A failure has said why in the status message.
    (void)exporter_.copyFinal(ExportController::Encoding::mayUseWorker);
}

void DocumentCommands::chooseSaveFolder() {
    exporter_.chooseFolder(editorWindow());
}

void DocumentCommands::reopenLastExport() {
    commitTextEditing();
    QPointer<DocumentCommands> self(this);
    quit_.mayDiscardChanges({captures_.document()}, QStringLiteral("Reopening the last export"),
                            [self](bool allowed) {
                                DocumentCommands* commands = self;
                                if (commands != nullptr && allowed) commands->exporter_.reopenLast();
                            });
}

void DocumentCommands::restorePreviousDocument() {
    captures_.restorePreviousDocument();
}

SheetPresenter* DocumentCommands::sheets() {
    EditorWindow* window = editorWindow();
    if (window == nullptr) return nullptr;
    if (sheetWindow_ != window || !sheets_) {
        sheets_ = std::make_unique<SheetPresenter>(*window);
        sheetWindow_ = window;
    }
    return sheets_.get();
}

void DocumentCommands::resizeImage() {
    EditorDocument* document = captures_.document();
    SheetPresenter* presenter = sheets();
    if (document == nullptr || presenter == nullptr) return;
    commitTextEditing();
    EditorCanvasPane* pane = editorWindow()->view()->pane();
    // One sheet per window: waits for an open one to close.
    presenter->presentResize(document, pane != nullptr ? &pane->settings() : nullptr);
}

void DocumentCommands::editBackdrop() {
    EditorDocument* document = captures_.document();
    SheetPresenter* presenter = sheets();
    if (document == nullptr || presenter == nullptr) return;
    commitTextEditing();
    EditorCanvasPane* pane = editorWindow()->view()->pane();
    // Nothing while another sheet is open.
    presenter->presentBackdrop(document, pane != nullptr ? &pane->settings() : nullptr);
}

void DocumentCommands::openImage() {
    Q_EMIT editorRequested();
    if (openDialog_ != nullptr) {
        openDialog_->raise();
        return;
    }
    auto* dialog = new QFileDialog(editorWindow(), QStringLiteral("Open Image"));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    // Every type we read at once first, so that a JPEG shows without changing the filter.
    dialog->setMimeTypeFilters(ImageImporter::supportedTypes());
    QStringList filters = dialog->nameFilters();
    QStringList patterns;
    for (const QString& filter : filters)
        patterns << filter.section(QLatin1Char('('), 1).section(QLatin1Char(')'), 0, 0).split(QLatin1Char(' '));
    patterns.removeDuplicates();
    filters.prepend(QStringLiteral("Images (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')'));
    dialog->setNameFilters(filters);
    dialog->selectNameFilter(filters.first());
    dialog->setDirectory(openFolder_);
    dialog->setLabelText(QFileDialog::LookIn, QString::fromUtf8(openMessage));
    dialog->setToolTip(QString::fromUtf8(openMessage));
    FileDialogLook::apply(*dialog);
    openDialog_ = dialog;
    QPointer<DocumentCommands> self(this);
    // A non-native dialog reports its choice as a file, never as a URL. Qt leaves names that are
    // not UTF-8 out of its listings: such a file comes in by the command line, a drop or a paste.
    connect(dialog, &QFileDialog::fileSelected, this, [self](const QString& path) {
        DocumentCommands* commands = self;
        if (commands == nullptr || path.isEmpty()) return;
        commands->openFolder_ = QFileInfo(path).absolutePath();
        commands->importFile(LocalFileUrl::fromPath(QFile::encodeName(path)));
    });
    dialog->open();
}

void DocumentCommands::paste() {
    std::unique_ptr<ClipboardOffer> offer = clipboard_.offer();
    if (!offer) {
        beeper_.beep();
        return;
    }
    // Another program's offer is read without the window waiting for it; the input that follows
    // waits for it instead. Given up, it fails as a holder that went silent does, unless the
    // person gave it up (Escape), which says nothing.
    InputHold::Token held = input_.hold(InputHold::activeWindow(), [this](InputHold::Reason why) {
        pastes_.cancel();
        if (InputHold::failed(why)) reportImport(ImageImporter::ImportError::unreadable());
    });
    pastes_.read(
        std::move(offer), std::move(held),
        [](ClipboardOffer& contents) { return ImageImporter::image(contents); },
        [this](Result<std::optional<QImage>, ImageImporter::ImportError> image) {
            if (!image) {
                reportImport(image.error());
                return;
            }
            if (!*image) {
                beeper_.beep();
                return;
            }
            importImage(**image, std::nullopt);
        });
}

void DocumentCommands::importFile(const QUrl& file) {
    auto image = ImageImporter::image(file);
    if (image)
        importImage(*image, LocalFileUrl::displayName(file));
    else
        reportImport(image.error(), file);
}

void DocumentCommands::importImage(const QImage& image, const std::optional<QString>& name) {
    commitTextEditing();
    const QSize size = image.size();
    captures_.openImage(image, name, [size](bool opened) { ImageImporter::logOpening(size, opened); });
}

void DocumentCommands::reportImport(const ImageImporter::ImportError& error, const QUrl& url) {
    Q_EMIT editorRequested();
    captures_.setErrorMessage(error.message(url));
    captures_.setErrorIsRetryable(false);
    error.log();
}

} // namespace quorvane
