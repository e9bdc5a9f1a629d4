#include "scrolling/SystemInputMonitor.h"

#include "platform/X11InputMonitor.h"
#include "scrolling/AutoScrollInputClassifier.h"
#include "scrolling/NativePoints.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace quorvane {

SystemInputMonitor::SystemInputMonitor(X11InputMonitor& monitor, QObject* parent)
    : QObject(parent), monitor_(monitor) {}

SystemInputMonitor::~SystemInputMonitor() {
    stop();
}

bool SystemInputMonitor::start(const QPointF& anchor, std::function<void(const AutoScrollStop&)> handler) {
    stop();
    anchor_ = anchor;
    handler_ = std::move(handler);
    if (auto* application = QCoreApplication::instance()) {
        application->installEventFilter(this);
        filtering_ = true;
    }
    return monitor_.start([this](const RawInputEvent& event) {
        const QPointF position = NativePoints::fromNative(event.position);
        if (const auto reason = AutoScrollInputClassifier::classify(event, position, anchor_);
            reason && handler_) {
            const auto report = handler_;
            report(*reason);
        }
    });
}

void SystemInputMonitor::stop() {
    monitor_.stop();
    if (filtering_) {
        if (auto* application = QCoreApplication::instance()) application->removeEventFilter(this);
        filtering_ = false;
    }
    handler_ = nullptr;
}

bool SystemInputMonitor::eventFilter(QObject* watched, QEvent* event) {
    // Only the window's own delivery, not the copies Qt passes up the widget tree.
    if (event->type() == QEvent::KeyPress && watched->isWindowType() && handler_) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const auto raw = RawInputEvent::keyDown(AutoScrollInputClassifier::keyClass(key->key()));
        if (const auto reason = AutoScrollInputClassifier::classify(raw, anchor_, anchor_)) {
            const auto handler = handler_;
            handler(*reason);
        }
    }
    return false;
}

} // namespace quorvane
