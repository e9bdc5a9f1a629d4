#include "scrolling/SystemKeyMonitor.h"

#include "platform/X11InputMonitor.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace quorvane {

SystemKeyMonitor::SystemKeyMonitor(X11InputMonitor& monitor, QObject* parent)
    : QObject(parent), monitor_(monitor) {}

SystemKeyMonitor::~SystemKeyMonitor() {
    stop();
}

void SystemKeyMonitor::start(std::function<bool(const ScrollKeyEvent&)> handler) {
    stop();
    handler_ = std::move(handler);
    if (auto* application = QCoreApplication::instance()) {
        application->installEventFilter(this);
        filtering_ = true;
    }
    monitor_.start([this](const RawInputEvent& event) {
        if (event.kind != RawInputEvent::Kind::keyDown || !handler_) return;
        const auto report = handler_;
        report(ScrollKeyEvent{event.qtKey, {}, false});
    });
}

void SystemKeyMonitor::stop() {
    monitor_.stop();
    if (filtering_) {
        if (auto* application = QCoreApplication::instance()) application->removeEventFilter(this);
        filtering_ = false;
    }
    handler_ = nullptr;
}

bool SystemKeyMonitor::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWindowType() || !handler_) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const auto handler = handler_;
    return handler(ScrollKeyEvent{key->key(), key->modifiers(), true});
}

} // namespace quorvane
