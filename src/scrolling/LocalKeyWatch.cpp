#include "scrolling/LocalKeyWatch.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace quorvane {

void LocalKeyWatch::start(Handler handler) {
    stop();
    handler_ = std::move(handler);
    if (auto* application = QCoreApplication::instance()) {
        application->installEventFilter(this);
        filtering_ = true;
    }
}

void LocalKeyWatch::stop() {
    if (filtering_) {
        if (auto* application = QCoreApplication::instance()) application->removeEventFilter(this);
        filtering_ = false;
    }
    handler_ = nullptr;
}

bool LocalKeyWatch::eventFilter(QObject* watched, QEvent* event) {
    // Only the window's own delivery, not the copies Qt passes up the widget tree.
    if (event->type() != QEvent::KeyPress || !watched->isWindowType() || !handler_) return false;
    const auto handler = handler_;
    return handler(*static_cast<QKeyEvent*>(event));
}

} // namespace quorvane
