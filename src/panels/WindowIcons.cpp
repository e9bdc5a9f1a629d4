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
    const Icon found = themeIcon(window.owningApplication->applicationName);
    if (!found.icon.isNull()) return {found.icon, found.source};
    return {generic(), Source::generic};
}

WindowIcons::Icon WindowIcons::themeIcon(const QString& name) {
    if (name.isEmpty()) return {};
    auto known = themed_.find(name);
    if (known != themed_.end()) return known->second;
    Icon found;
    const QString entry = DesktopEntryIcon::iconName(name);
    if (QDir::isAbsolutePath(entry))
        found = {QIcon(entry), Source::desktopEntry};
    else if (!entry.isEmpty())
        found = {QIcon::fromTheme(entry), Source::desktopEntry};
    // Programs without a desktop entry (xcalc, xeyes) often have a themed icon of their own name.
    if (found.icon.isNull() && !name.contains(QLatin1Char('/')))
        found = {QIcon::fromTheme(name.toLower()), Source::iconTheme};
    if (found.icon.isNull()) found = {};
    return themed_.emplace(name, found).first->second;
}

QIcon WindowIcons::generic() const {
    const QIcon themed = QIcon::fromTheme(QStringLiteral("application-x-executable"));
    if (!themed.isNull()) return themed;
    const QColor ink = QPalette().color(QPalette::WindowText);
    return symbols_.icon(QStringLiteral("app"), ink, ink);
}

} // namespace quorvane
