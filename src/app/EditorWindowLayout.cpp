#include "app/EditorWindowLayout.h"

#include "document/EditorDocument.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace quorvane::EditorWindowLayout {

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

void fit(QWidget& window, const EditorDocument* document, bool needsPermission) {
    QScreen* screen = window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
    const QRect visible = screen != nullptr ? screen->availableGeometry() : QRect();
    const double scale = screen != nullptr ? screen->devicePixelRatio() : defaultBackingScale;
    std::optional<QSizeF> pixels;
    if (document != nullptr) pixels = document->cropRect().size();
    QSize size = contentSize(pixels, scale, QSizeF(visible.size()));
    if (document != nullptr) {
        window.setMinimumSize(smallestLimit);
    } else {
        if (needsPermission) size.setHeight(size.height() + permissionPanel);
        window.setMinimumSize(size);
    }
    // The frame around the content: the window manager's decoration, when it has drawn one yet.
    const QRect frame = window.frameGeometry();
    const QSize decoration = frame.size() - window.geometry().size();
    const QPoint topLeft = clampedTopLeft(frame.topLeft(), size + decoration, visible);
    window.resize(size);
    window.move(topLeft);
}

} // namespace quorvane::EditorWindowLayout
