#pragma once

// Takes the pointer (an active grab on the root window, with the crosshair cursor) and Escape (a
// passive grab in every modifier state) away from every other client for as long as a drag
// selection runs, and reports the left button's press, drags and release, a right click and
// Escape. The grabs belong to our own connection, so they end when the process does.

#include "platform/PointerTapEvent.h"

#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>

namespace quorvane {

class X11InputConnection;

class X11PointerTap {
public:
    explicit X11PointerTap(X11InputConnection& connection);
    ~X11PointerTap();
    X11PointerTap(const X11PointerTap&) = delete;
    X11PointerTap& operator=(const X11PointerTap&) = delete;

    // False when the pointer stays held by another client through a short retry, or there is no
    // X server. Escape that cannot be grabbed is still seen (through raw input), not taken.
    bool start(std::function<void(const PointerTapEvent&)> handler);
    // Delivers nothing more. Buttons whose press we took keep the pointer grabbed until they are
    // up, so that no window ever gets a release without its press.
    void stop();
    // The pointer grab is held (also while draining after stop()).
    bool grabbing() const;
    bool escapeGrabbed() const { return escapeGrabbed_; }

private:
    bool handle(const void* event);
    void release();
    void releaseWhenButtonsUp();

    X11InputConnection& connection_;
    std::function<void(const PointerTapEvent&)> handler_;
    int listener_ = 0;
    std::uint32_t cursor_ = 0;
    std::uint8_t escapeKeycode_ = 0;
    bool escapeGrabbed_ = false;
    bool rawEscape_ = false;
    // Buttons (bit per button) whose press we swallowed and whose release has not come yet.
    std::uint32_t heldButtons_ = 0;
    QTimer drain_;
    // Events are handed out on a later turn of the event loop; those of an earlier start are dropped.
    std::uint64_t generation_ = 0;
};

} // namespace quorvane
