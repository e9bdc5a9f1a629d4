#include "export/FileDialogs.h"

#include "export/FileDialogLook.h"
#include "export/NoOverwriteSaveDialog.h"

namespace quorvane::FileDialogs {

void choose(const FileRequest& request, std::function<void(std::optional<QString> path)> done) {
    QFileDialog* dialog = nullptr;
    if (request.kind == FileRequest::Kind::newFile) {
        auto* save = new NoOverwriteSaveDialog(request.window);
        if (!request.nameFilter.isEmpty()) save->setNameFilter(request.nameFilter);
        save->setDefaultSuffix(request.defaultSuffix);
        save->setDirectory(request.directory);
        save->selectFile(request.proposedName);
        dialog = save;
    } else if (request.kind == FileRequest::Kind::replaceableFile) {
        // Qt's own dialog asks before it replaces a file.
        dialog = new QFileDialog(request.window);
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        if (!request.nameFilter.isEmpty()) dialog->setNameFilter(request.nameFilter);
        dialog->setDefaultSuffix(request.defaultSuffix);
        dialog->setDirectory(request.directory);
        dialog->selectFile(request.proposedName);
    } else {
        dialog = new QFileDialog(request.window);
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        dialog->setFileMode(QFileDialog::Directory);
        dialog->setOption(QFileDialog::ShowDirsOnly);
        dialog->setWindowTitle(QStringLiteral("Choose Save Folder"));
        dialog->setDirectory(request.directory);
    }
    FileDialogLook::apply(*dialog);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, done = std::move(done)](int result) {
        const QStringList files = dialog->selectedFiles();
        if (result == QDialog::Accepted && !files.isEmpty())
            done(files.first());
        else
            done(std::nullopt);
    });
    // open() makes it window-modal; without a window it is application-modal. Never exec().
    if (request.window) {
        dialog->open();
    } else {
        dialog->setWindowModality(Qt::ApplicationModal);
        dialog->show();
    }
}

} // namespace quorvane::FileDialogs
