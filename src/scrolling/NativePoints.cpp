#include "scrolling/NativePoints.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace quorvane::NativePoints {
namespace {

QScreen* screenAt(const QPointF& logical) {
    for (QScreen* screen : QGuiApplication::screens())
        if (QRectF(screen->geometry()).contains(logical)) return screen;
    return QGuiApplication::primaryScreen();
}

} // namespace

QPoint toNative(const QPointF& point) {
    const QScreen* screen = screenAt(point);
    const double ratio = screen != nullptr ? screen->devicePixelRatio() : 1;
    const QPointF origin = screen != nullptr ? QPointF(screen->geometry().topLeft()) : QPointF();
    const QPointF native = origin + (point - origin) * ratio;
    return QPoint(static_cast<int>(std::floor(native.x())), static_cast<int>(std::floor(native.y())));
}

QPointF fromNative(const QPoint& pixel) {
    for (QScreen* screen : QGuiApplication::screens()) {
        const double ratio = screen->devicePixelRatio();
        const QPointF origin(screen->geometry().topLeft());
        const QPointF logical = origin + (QPointF(pixel) - origin) / ratio;
        if (QRectF(screen->geometry()).contains(logical)) return logical;
    }
    return QPointF(pixel);
}

} // namespace quorvane::NativePoints
