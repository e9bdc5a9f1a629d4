#include "panels/WindowIcons.h"

#include "editor_window/SymbolIcons.h"
#include "platform/DesktopEntryIcon.h"

#include <QDir>
#include <QPalette>
#include <QPixmap>

namespace quorvane {

WindowIcons::Icon WindowIcons::icon(const CaptureWindow& window) {
    if (!window.owningApplication) return {generic(), Source::generic};
    const QImage own = service_.applicationIcon(window, side);
    if (!own.isNull()) return {QIcon(QPixmap::fromImage(own)), Source::application};
    const QString& name = window.owningApplication->applicationName;
    auto known = entries_.find(name);
    if (known == entries_.end()) {
        const QString entry = DesktopEntryIcon::iconName(name);
        QIcon themed;
        if (QDir::isAbsolutePath(entry))
            themed = QIcon(entry);
        else if (!entry.isEmpty())
            themed = QIcon::fromTheme(entry);
        known = entries_.emplace(name, themed).first;
    }
    if (!known->second.isNull()) return {known->second, Source::desktopEntry};
    return {generic(), Source::generic};
}

QIcon WindowIcons::generic() const {
    const QIcon themed = QIcon::fromTheme(QStringLiteral("application-x-executable"));
    if (!themed.isNull()) return themed;
    const QColor ink = QPalette().color(QPalette::WindowText);
    return symbols_.icon(QStringLiteral("app"), ink, ink);
}

} // namespace quorvane
