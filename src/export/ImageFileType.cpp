#include "export/ImageFileType.h"

#include "export/ImageImporter.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <algorithm>

namespace quorvane {
namespace {

bool isImage(const QMimeType& mime) {
    if (!mime.isValid()) return false;
    const auto image = [](const QString& name) { return name.startsWith(QLatin1String("image/")); };
    const QStringList ancestors = mime.allAncestors();
    return image(mime.name()) || std::any_of(ancestors.begin(), ancestors.end(), image);
}

} // namespace

std::optional<ImageFileType> ImageFileType::ofFile(const QString& path) {
    const QMimeType mime = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    const QString suffix = QFileInfo(path).suffix();
    if (!mime.isDefault()) return ImageFileType{mime, suffix};
    if (suffix.isEmpty()) return std::nullopt;
    return ImageFileType{QMimeType(), suffix};
}

ImageFileType ImageFileType::ofFormat(const QString& format) {
    return {QMimeDatabase().mimeTypeForName(format), {}};
}

std::optional<ImageFileType> ImageFileType::recognised(QByteArrayView bytes) {
    // Signatures lie near the start; the rest of a large file need not be copied.
    const QMimeType mime =
        QMimeDatabase().mimeTypeForData(bytes.first(std::min<qsizetype>(bytes.size(), 65'536)).toByteArray());
    if (isImage(mime) || mime.inherits(QStringLiteral("application/pdf"))) return ImageFileType{mime, {}};
    return std::nullopt;
}

bool ImageFileType::isSupported() const {
    const QStringList& supported = ImageImporter::supportedTypes();
    return mime.isValid() && std::any_of(supported.begin(), supported.end(),
                                         [&](const QString& name) { return mime.inherits(name); });
}

QString ImageFileType::description() const {
    if (mime.isValid() && !mime.comment().isEmpty()) return mime.comment();
    const QString extension =
        mime.isValid() && !mime.preferredSuffix().isEmpty() ? mime.preferredSuffix() : suffix;
    return extension.isEmpty() ? QStringLiteral("This file type") : extension.toUpper();
}

} // namespace quorvane
