#include "capture/OwnWindowAreas.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <unistd.h>

namespace quorvane::OwnWindowAreas {
namespace {

// Room for a window manager's frame around a window of ours.
constexpr int frameMargin = 64;

QRect nativeArea(const QRect& geometry, double ratio) {
    const QRect native(geometry.topLeft(), QSize(static_cast<int>(std::ceil(geometry.width() * ratio)),
                                                 static_cast<int>(std::ceil(geometry.height() * ratio))));
    return native.adjusted(-frameMargin, -frameMargin, frameMargin, frameMargin);
}

} // namespace

bool mayCover(const ContentFilter& filter, const QRect& area) {
    // Only this process's windows are known without asking the server about every window.
    if (filter.excludedProcessIDs != std::vector<ProcessID>{::getpid()} ||
        qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        return true;
    QRect desktop;
    for (const QScreen* screen : QGuiApplication::screens())
        desktop |=
            QRect(screen->geometry().topLeft(), screen->geometry().size() * screen->devicePixelRatio());
    const auto windows = QGuiApplication::topLevelWindows();
    return std::any_of(windows.begin(), windows.end(), [&](const QWindow* window) {
        if (!window->isVisible() || !window->handle() ||
            std::count(filter.exceptedWindowIDs.begin(), filter.exceptedWindowIDs.end(),
                       WindowID(window->winId())))
            return false;
        const QRect native = nativeArea(window->frameGeometry(), window->devicePixelRatio());
        // A window that a capture moved off the screen and back may not be back for Qt yet.
        return !native.intersects(desktop) || native.intersects(area);
    });
}

std::vector<QRect> shown(const QWidget* showing) {
    std::vector<QRect> areas;
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return areas;
    for (const QWidget* window : QApplication::topLevelWidgets()) {
        if (window != showing && (!window->isVisible() || window->isMinimized())) continue;
        const Qt::WindowType type = window->windowType();
        // The area picker covers everything and is never grabbed.
        if (type == Qt::Popup || type == Qt::ToolTip || type == Qt::Desktop ||
            window->windowFlags().testFlag(Qt::BypassWindowManagerHint))
            continue;
        // Asking for the frame of a window about to be shown would fix its frame margins too early.
        areas.push_back(nativeArea(window->geometry(), window->devicePixelRatioF()));
    }
    return areas;
}

} // namespace quorvane::OwnWindowAreas
