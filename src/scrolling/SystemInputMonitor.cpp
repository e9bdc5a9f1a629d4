#include "scrolling/SystemInputMonitor.h"

#include "core/Log.h"
#include "platform/X11InputMonitor.h"
#include "scrolling/AutoScrollInputClassifier.h"
#include "scrolling/NativePoints.h"

#include <QKeyEvent>

namespace quorvane {

SystemInputMonitor::~SystemInputMonitor() {
    stop();
}

bool SystemInputMonitor::start(const QPointF& anchor, Handler handler) {
    stop();
    anchor_ = anchor;
    handler_ = std::move(handler);
    const auto report = [this](const RawInputEvent& event, const QPointF& position) {
        if (const auto reason = AutoScrollInputClassifier::classify(event, position, anchor_);
            reason && handler_) {
            const auto stopRun = handler_;
            stopRun(*reason, event.time);
        }
    };
    local_.start([report](const QKeyEvent& key) {
        RawInputEvent event = RawInputEvent::keyDown(AutoScrollInputClassifier::keyClass(key.key()));
        event.time = static_cast<std::uint32_t>(key.timestamp());
        report(event, QPointF());
        return false;
    });
    if (monitor_.start([report](const RawInputEvent& event) {
            report(event, NativePoints::fromNative(event.position));
        }))
        return true;
    // Without raw input a run could not be stopped by the user: the caller must not start one.
    Log::capture().error("Auto scroll input monitor unavailable: the X server has no XInput 2.2");
    local_.stop();
    handler_ = nullptr;
    return false;
}

void SystemInputMonitor::stop() {
    monitor_.stop();
    local_.stop();
    handler_ = nullptr;
}

} // namespace quorvane
