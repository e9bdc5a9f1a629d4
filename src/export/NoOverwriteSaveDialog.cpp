#include "export/NoOverwriteSaveDialog.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <sys/stat.h>

namespace quorvane {
namespace {

// Extensions that name an image format: typed for another format, they are replaced, since the
// file would otherwise claim a format it is not in; any other ending stays part of the name.
bool namesAnImageFormat(const QString& suffix) {
    static const QStringList known{"png", "jpg", "jpeg", "gif", "tif", "tiff", "heic", "heif", "bmp", "webp"};
    return known.contains(suffix, Qt::CaseInsensitive);
}

} // namespace

NoOverwriteSaveDialog::NoOverwriteSaveDialog(QWidget* parent) : QFileDialog(parent) {
    setOption(QFileDialog::DontUseNativeDialog);
    // Our own check replaces Qt's question, which would offer to replace the file.
    setOption(QFileDialog::DontConfirmOverwrite);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
}

Result<void, Error> NoOverwriteSaveDialog::validateNewDestination(const QString& path) {
    struct stat status {};
    // lstat: a dangling link is a name that is taken as well.
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0) return {};
    return Failure{Error{QStringLiteral("Quorvane.Export"), 3,
                         QStringLiteral("Quorvane never replaces existing files. Choose a new name.")}};
}

QString NoOverwriteSaveDialog::refusal() const {
    return refusal_ ? refusal_->text() : QString();
}

QString NoOverwriteSaveDialog::withFormatExtension(const QString& path) const {
    if (defaultSuffix().isEmpty()) return path;
    // The extensions the name filter allows, e.g. "jpg" and "jpeg".
    QStringList allowed;
    static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
    for (const QString& filter : nameFilters())
        for (const auto& match : pattern.globalMatch(filter))
            allowed << match.captured(1);
    if (allowed.isEmpty()) allowed << defaultSuffix();
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    if (allowed.contains(suffix, Qt::CaseInsensitive)) return path;
    const QString base = namesAnImageFormat(suffix) && !info.completeBaseName().isEmpty()
                             ? info.path() + QLatin1Char('/') + info.completeBaseName()
                             : path;
    return base + QLatin1Char('.') + defaultSuffix();
}

void NoOverwriteSaveDialog::accept() {
    // The name as it will be written: with the default suffix added, and with the format's own
    // extension in place of another's, so that the no-overwrite check sees the real name.
    QStringList files = selectedFiles();
    if (!files.isEmpty() && !QFileInfo(files.first()).isDir()) {
        const QString written = withFormatExtension(files.first());
        if (written != files.first()) {
            // selectFile() leaves alone a name field that has the keyboard, as it has after typing.
            if (auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                name->setText(written);
            else
                selectFile(written);
            files = selectedFiles();
        }
    }
    if (!files.isEmpty()) {
        const QString& path = files.first();
        // A folder's name opens the folder, as in any save dialog.
        if (!QFileInfo(path).isDir()) {
            if (const auto free = validateNewDestination(path); !free) {
                if (refusal_) refusal_->deleteLater();
                refusal_ = new QMessageBox(QMessageBox::Warning, windowTitle(), free.error().message,
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
