#include "app/EditorWindowLayout.h"

#include "core/Log.h"
#include "document/EditorDocument.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QPropertyAnimation>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace quorvane::EditorWindowLayout {
namespace {

// Where the window stands once a fit is done, for whoever waits for it to stand still (a slow
// machine runs the refit's steps late).
void logFitted(const QWidget& window) {
    Log::app().log("Editor window fitted: {}x{}", window.width(), window.height());
}

} // namespace

QSize contentSize(std::optional<QSizeF> pixels, double backingScale, QSizeF visible) {
    if (!pixels || pixels->width() <= 0 || pixels->height() <= 0 || backingScale <= 0)
        return emptyContentSize;
    const double limitWidth = std::max(visible.width() * screenShare, double(smallestLimit.width()));
    const double limitHeight = std::max(visible.height() * screenShare, double(smallestLimit.height()));
    const double pointWidth = pixels->width() / backingScale;
    const double pointHeight = pixels->height() / backingScale;
    const double factor =
        std::min({1.0, limitWidth / pointWidth, (limitHeight - verticalChrome) / pointHeight});
    const double width = std::clamp(std::round(pointWidth * factor) + horizontalChrome,
                                    double(smallestLimit.width()), limitWidth);
    const double height = std::clamp(std::round(pointHeight * factor) + verticalChrome,
                                     double(smallestLimit.height()), limitHeight);
    return QSize(int(width), int(height));
}

QPoint clampedTopLeft(QPoint topLeft, QSize size, const QRect& visible) {
    if (visible.isEmpty()) return topLeft;
    const int right = visible.x() + visible.width();
    const int bottom = visible.y() + visible.height();
    // Applied last, the bound that wins when the range is empty.
    const int x = std::min(std::max(topLeft.x(), visible.x()), right - size.width());
    const int y = std::max(std::min(topLeft.y(), bottom - size.height()), visible.y());
    return QPoint(x, y);
}

QSize windowChrome(const QWidget& window) {
    // Our windows carry their own menu bar above the content.
    if (const auto* main = qobject_cast<const QMainWindow*>(&window))
        if (const QWidget* bar = main->menuWidget(); bar != nullptr && !bar->isHidden())
            return QSize(0, bar->sizeHint().height());
    return QSize(0, 0);
}

Placement fittedPlacement(const QWidget& window, const EditorDocument* document, bool needsPermission) {
    const QScreen* screen = window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
    const QRect visible = screen != nullptr ? screen->availableGeometry() : QRect();
    const double scale = screen != nullptr ? screen->devicePixelRatio() : defaultBackingScale;
    std::optional<QSizeF> pixels;
    if (document != nullptr) pixels = document->cropRect().size();
    QSize size = contentSize(pixels, scale, QSizeF(visible.size()));
    if (document == nullptr && needsPermission) size.setHeight(size.height() + permissionPanel);
    size += windowChrome(window);
    // The window manager's frame around it, once it has drawn one (before the window is first
    // shown, the frame is unknown and counts as nothing).
    const QRect frame = window.frameGeometry();
    const QRect client = window.geometry();
    const QSize decoration = frame.size() - client.size();
    return {clampedTopLeft(frame.topLeft(), size + decoration, visible), size};
}

QSize minimumSize(const QWidget& window, const EditorDocument* document, bool needsPermission) {
    if (document != nullptr) return smallestLimit + windowChrome(window);
    return fittedPlacement(window, nullptr, needsPermission).size;
}

void fit(QWidget& window, const EditorDocument* document, bool needsPermission, Motion motion) {
    const Placement target = fittedPlacement(window, document, needsPermission);
    window.setMinimumSize(minimumSize(window, document, needsPermission));
    auto* running = window.findChild<QPropertyAnimation*>(QStringLiteral("refit"));
    if (running != nullptr) running->stop();
    if (motion == Motion::animated && window.isVisible()) {
        if (running == nullptr) {
            running = new QPropertyAnimation(&window, "geometry", &window);
            running->setObjectName(QStringLiteral("refit"));
            running->setDuration(200);
            running->setEasingCurve(QEasingCurve::InOutQuad);
            // Only a refit that reaches its end says so, not one a newer refit stopped.
            QObject::connect(running, &QAbstractAnimation::finished, &window, [&window] { logFitted(window); });
        }
        running->setStartValue(window.geometry());
        // The animation moves the client area: the frame's offset is known on a shown window.
        running->setEndValue(QRect(target.frameTopLeft + (window.geometry().topLeft() - window.frameGeometry().topLeft()),
                                   target.size));
        running->start();
        return;
    }
    window.resize(target.size);
    window.move(target.frameTopLeft);
    logFitted(window);
}

} // namespace quorvane::EditorWindowLayout
