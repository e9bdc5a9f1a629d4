#pragma once

#include "scrolling/DragEventTapping.h"

#include <optional>

namespace quorvane {

class X11PointerTap;
struct PointerTapEvent;

// The drag selection's tap on the X server: the pointer grab's events as drag events in points.
class SystemDragEventTap final : public DragEventTapping {
public:
    explicit SystemDragEventTap(X11PointerTap& tap) : tap_(tap) {}
    ~SystemDragEventTap() override;

    bool start(std::function<void(const DragScrollEvent&)> handler) override;
    void stop() override;

    // Left button press, drag and release as they are; a right click and Escape cancel.
    static DragScrollEvent translate(const PointerTapEvent& event);

private:
    X11PointerTap& tap_;
};

} // namespace quorvane
