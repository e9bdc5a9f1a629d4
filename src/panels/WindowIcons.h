#pragma once

#include "capture/CaptureService.h"

#include <QIcon>
#include <map>

namespace quorvane {

class SymbolIcons;

// The icon of a listed window's application: the one it gives its windows, else the one its
// desktop entry names in the icon theme, else a generic application icon.
class WindowIcons {
public:
    enum class Source { application, desktopEntry, generic };
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
    // Desktop entries' icons by application name, looked up once.
    std::map<QString, QIcon> entries_;
};

} // namespace quorvane
