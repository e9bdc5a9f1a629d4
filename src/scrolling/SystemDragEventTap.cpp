#include "scrolling/SystemDragEventTap.h"

#include "platform/X11PointerTap.h"
#include "scrolling/NativePoints.h"

namespace quorvane {

SystemDragEventTap::~SystemDragEventTap() {
    stop();
}

bool SystemDragEventTap::start(std::function<void(const DragScrollEvent&)> handler) {
    return tap_.start(
        [handler = std::move(handler)](const PointerTapEvent& event) { handler(translate(event)); });
}

void SystemDragEventTap::stop() {
    tap_.stop();
}

DragScrollEvent SystemDragEventTap::translate(const PointerTapEvent& event) {
    using Kind = PointerTapEvent::Kind;
    const QPointF at = NativePoints::fromNative(event.position);
    switch (event.kind) {
    case Kind::leftDown:
        return DragScrollEvent::down(at);
    case Kind::leftDrag:
        return DragScrollEvent::drag(at);
    case Kind::leftUp:
        return DragScrollEvent::up(at);
    case Kind::rightDown:
    case Kind::escape:
        return DragScrollEvent::cancel();
    }
    return DragScrollEvent::cancel();
}

} // namespace quorvane
