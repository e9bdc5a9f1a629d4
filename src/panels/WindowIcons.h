#pragma once

#include "capture/CaptureService.h"

#include <QIcon>
#include <map>

namespace quorvane {

class SymbolIcons;

// The icon of a listed window's program: the one it gives its window (_NET_WM_ICON, else the
// icon pixmap of WM_HINTS), else the one its desktop entry names in the icon theme, else the
// theme's icon named after it, else a generic application icon.
class WindowIcons {
public:
    enum class Source { application, desktopEntry, iconTheme, generic };
    struct Icon {
        QIcon icon;
        Source source = Source::generic;
    };

    static constexpr int side = 56;

    // Both outlive the icons.
    WindowIcons(CaptureService& service, const SymbolIcons& symbols) : service_(service), symbols_(symbols) {}

    Icon icon(const CaptureWindow& window);
    QIcon generic() const;

private:
    CaptureService& service_;
    const SymbolIcons& symbols_;
    // The icon theme's icon for a program, by its desktop entry or its own name; looked up once.
    Icon themeIcon(const QString& name);

    std::map<QString, Icon> themed_;
};

} // namespace quorvane
