#include "export/NoOverwriteSaveDialog.h"

#include <QFileInfo>
#include <QMessageBox>
#include <sys/stat.h>

namespace quorvane {

NoOverwriteSaveDialog::NoOverwriteSaveDialog(QWidget* parent) : QFileDialog(parent) {
    setOption(QFileDialog::DontUseNativeDialog);
    // Our own check replaces Qt's question, which would offer to replace the file.
    setOption(QFileDialog::DontConfirmOverwrite);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
}

std::optional<Error> NoOverwriteSaveDialog::validateNewDestination(const QString& path) {
    struct stat status {};
    // lstat: a dangling link is a name that is taken as well.
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0) return std::nullopt;
    return Error{QStringLiteral("Quorvane.Export"), 3,
                 QStringLiteral("Quorvane never replaces existing files. Choose a new name.")};
}

QString NoOverwriteSaveDialog::refusal() const {
    return refusal_ ? refusal_->text() : QString();
}

void NoOverwriteSaveDialog::accept() {
    // The name as it will be written, with the default suffix added.
    const QStringList files = selectedFiles();
    if (!files.isEmpty()) {
        const QString& path = files.first();
        // A folder's name opens the folder, as in any save dialog.
        if (!QFileInfo(path).isDir()) {
            if (const auto refused = validateNewDestination(path)) {
                if (refusal_) refusal_->deleteLater();
                refusal_ = new QMessageBox(QMessageBox::Warning, windowTitle(), refused->message,
                                           QMessageBox::Ok, this);
                refusal_->setAttribute(Qt::WA_DeleteOnClose);
                refusal_->open();
                return;
            }
        }
    }
    QFileDialog::accept();
}

} // namespace quorvane
