#pragma once

#include <Qt>
#include <cstdint>

namespace quorvane {

// A key pressed during a scrolling capture: in one of our windows (`local`) or anywhere else.
struct ScrollKeyEvent {
    int key = 0; // Qt::Key; 0 for keys pressed elsewhere that we do not name
    Qt::KeyboardModifiers modifiers;
    bool local = false;
    // The X server's time of the press; 0 when unknown.
    std::uint32_t time = 0;

    bool operator==(const ScrollKeyEvent&) const = default;
};

} // namespace quorvane
