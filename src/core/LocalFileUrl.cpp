#include "core/LocalFileUrl.h"

#include <QSysInfo>

namespace quorvane::LocalFileUrl {

QUrl fromPath(QByteArrayView path) {
    return QUrl::fromEncoded(QByteArrayLiteral("file://") + path.toByteArray().toPercentEncoding("/"),
                             QUrl::StrictMode);
}

std::optional<QByteArray> path(const QUrl& url) {
    if (!url.isValid() || url.scheme() != QLatin1String("file") || otherHost(url)) return std::nullopt;
    // The encoded path keeps bytes that are not UTF-8 as they came.
    QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (!bytes.startsWith('/') || bytes.contains('\0')) return std::nullopt;
    return bytes;
}

std::optional<QString> otherHost(const QUrl& url) {
    if (!url.isValid() || url.scheme() != QLatin1String("file")) return std::nullopt;
    const QString host = url.host();
    // Drag sources that follow the drag-and-drop protocol's advice name this computer by its own
    // host name.
    if (host.isEmpty() || host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
        host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) == 0)
        return std::nullopt;
    return host;
}

QUrl fromLink(QByteArrayView link) {
    QByteArray encoded;
    encoded.reserve(link.size());
    for (const char c : link) {
        if (static_cast<unsigned char>(c) < 0x80)
            encoded += c;
        else
            encoded += '%' + QByteArray(1, c).toHex(0).toUpper();
    }
    return QUrl::fromEncoded(encoded, QUrl::StrictMode);
}

std::optional<QUrl> fromListLine(QByteArrayView line) {
    line = line.trimmed();
    if (line.isEmpty() || line.front() == '#') return std::nullopt;
    const QUrl url = fromLink(line);
    if (!path(url)) return std::nullopt;
    return url;
}

QString displayName(const QUrl& url) {
    const std::optional<QByteArray> bytes = path(url);
    if (!bytes) return url.fileName();
    return QString::fromUtf8(bytes->mid(bytes->lastIndexOf('/') + 1));
}

} // namespace quorvane::LocalFileUrl
