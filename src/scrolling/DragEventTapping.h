#pragma once

#include "scrolling/DragScrollEvent.h"

#include <functional>

namespace quorvane {

// Takes the left button's press, drag and release, a right click and Escape away from the rest of
// the desktop while a drag selection runs, and reports them.
class DragEventTapping {
public:
    virtual ~DragEventTapping() = default;
    // `handler` receives each event on the GUI thread; false when the tap could not be set up.
    virtual bool start(std::function<void(const DragScrollEvent&)> handler) = 0;
    virtual void stop() = 0;
};

} // namespace quorvane
