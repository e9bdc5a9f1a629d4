#pragma once

// A second pointer of our own (an XInput 2 master device with its own XTest device), made for one
// scroll step while the drag tap holds the user's pointer. Its clicks reach the window under the
// scroll point without touching the grab, the user's pointer or its held button: a wheel click
// of the user's own pointer would start the target's implicit grab, which lasts until the held
// button comes up and takes its release away from the tap.

#include <QPoint>
#include <cstdint>
#include <memory>
#include <string>

struct xcb_connection_t;

namespace quorvane {

class X11StepPointer {
public:
    // Null without XInput 2.2 and XTest. Removes pointers left over by processes that died.
    static std::unique_ptr<X11StepPointer> create();
    // Removes the pointer again.
    ~X11StepPointer();
    X11StepPointer(const X11StepPointer&) = delete;
    X11StepPointer& operator=(const X11StepPointer&) = delete;

    // `clicks` wheel clicks (up when positive) at `at`, root pixels.
    bool click(int clicks, QPoint at);

private:
    X11StepPointer() = default;

    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
    std::uint16_t master_ = 0;
};

} // namespace quorvane
