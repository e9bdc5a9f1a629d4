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
        // On X11 a key event's timestamp is the server's time of the press.
        return handler(ScrollKeyEvent{key.key(), key.modifiers(), true, static_cast<std::uint32_t>(key.timestamp())});
    });
    // Keys of other applications are only seen; the answer does not matter.
    monitor_.start([handler](const RawInputEvent& event) {
        if (event.kind == RawInputEvent::Kind::keyDown)
            handler(ScrollKeyEvent{event.qtKey, event.modifiers, false, event.time});
    });
}

void SystemKeyMonitor::stop() {
    monitor_.stop();
    local_.stop();
}

} // namespace quorvane
