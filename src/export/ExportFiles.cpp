#include "export/ExportFiles.h"

#include "export/ImageExporter.h"
#include "platform/PosixFile.h"

#include <QDir>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

namespace quorvane::ExportFiles {

Result<void, Error> prepareFolder(const QString& folder) {
    const std::filesystem::path path(QFile::encodeName(folder).toStdString());
    std::error_code error;
    const auto status = std::filesystem::symlink_status(path, error);
    if (std::filesystem::exists(status)) return {};
    if (std::filesystem::create_directories(path, error) || !error) return {};
    return Failure{PosixFile::error(error.value())};
}

QString folderDisplayName(const QUrl& file) {
    const QString folder = QFileInfo(file.toLocalFile()).absolutePath();
    const QString name = QFileInfo(folder).fileName();
    return name.isEmpty() ? folder : name;
}

QString stem(const QString& name) {
    QString last = name.section(QLatin1Char('/'), -1);
    const qsizetype dot = last.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? last.left(dot) : last;
}

QString proposedName(const std::optional<QString>& sourceName, ImageExporter::Format format,
                     const QString& folder) {
    if (sourceName && !stem(*sourceName).isEmpty())
        return stem(*sourceName) + QStringLiteral(" (Quorvane).") + ImageExporter::fileExtension(format);
    return QFileInfo(ImageExporter::uniqueURL(QUrl::fromLocalFile(folder), format).toLocalFile()).fileName();
}

QString nameFilter(ImageExporter::Format format) {
    return format == ImageExporter::Format::png ? QStringLiteral("PNG image (*.png)")
                                                : QStringLiteral("JPEG image (*.jpg *.jpeg)");
}

} // namespace quorvane::ExportFiles
