#include "platform/DesktopEntryIcon.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace quorvane::DesktopEntryIcon {
namespace {

constexpr qint64 maxEntryBytes = 256 * 1024;

QString iconOf(const QString& path) {
    QFile file(path);
    if (file.size() > maxEntryBytes || !file.open(QIODevice::ReadOnly)) return {};
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine(4096)).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inEntry || !line.startsWith(QLatin1String("Icon="))) continue;
        const QString icon = line.mid(5).trimmed();
        if (icon.isEmpty() || icon.size() > 255) return {};
        if (QDir::isAbsolutePath(icon)) return QFileInfo(icon).isFile() ? icon : QString();
        return icon.contains(QLatin1Char('/')) ? QString() : icon;
    }
    return {};
}

} // namespace

QStringList applicationFolders() {
    return QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
}

QString iconName(const QString& applicationName) {
    if (applicationName.isEmpty() || applicationName.contains(QLatin1Char('/'))) return {};
    for (const QString& folder : applicationFolders())
        for (const QString& name : {applicationName, applicationName.toLower()}) {
            const QString icon = iconOf(folder + QLatin1Char('/') + name + QStringLiteral(".desktop"));
            if (!icon.isEmpty()) return icon;
        }
    return {};
}

} // namespace quorvane::DesktopEntryIcon
