#include "scrolling/SystemKeyMonitor.h"

#include "platform/X11InputMonitor.h"

#include <QKeyEvent>

namespace quorvane {

SystemKeyMonitor::~SystemKeyMonitor() {
    stop();
}

void SystemKeyMonitor::start(std::function<bool(const ScrollKeyEvent&)> handler) {
    stop();
    local_.start([handler](const QKeyEvent& key) {
        return handler(ScrollKeyEvent{key.key(), key.modifiers(), true});
    });
    // Keys of other applications are only seen; the answer does not matter.
    monitor_.start([handler](const RawInputEvent& event) {
        if (event.kind == RawInputEvent::Kind::keyDown) handler(ScrollKeyEvent{event.qtKey, {}, false});
    });
}

void SystemKeyMonitor::stop() {
    monitor_.stop();
    local_.stop();
}

} // namespace quorvane
