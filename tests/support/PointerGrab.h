#pragma once

// Another client of the test's display that takes the pointer or the keyboard, as another program
// might.

#include "platform/X11CaptureReply.h"

#include <memory>
#include <xcb/xcb.h>

namespace quorvane::test {

using X11Client = std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)>;

// A new client holding the pointer; null when someone else holds it.
inline X11Client grabPointer() {
    X11Client c(xcb_connect(nullptr, nullptr), &xcb_disconnect);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c.get())).data->root;
    X11Reply<xcb_grab_pointer_reply_t> reply(
        xcb_grab_pointer_reply(c.get(),
                               xcb_grab_pointer(c.get(), 0, root, 0, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC,
                                                XCB_NONE, XCB_NONE, XCB_CURRENT_TIME),
                               nullptr));
    if (!reply || reply->status != XCB_GRAB_STATUS_SUCCESS) return X11Client(nullptr, &xcb_disconnect);
    return c;
}

// Whether a client of its own could take the pointer now.
inline bool pointerFree() {
    return grabPointer() != nullptr;
}

// Whether a client of its own could take the keyboard now.
inline bool keyboardFree() {
    X11Client c(xcb_connect(nullptr, nullptr), &xcb_disconnect);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c.get())).data->root;
    X11Reply<xcb_grab_keyboard_reply_t> reply(xcb_grab_keyboard_reply(
        c.get(),
        xcb_grab_keyboard(c.get(), 0, root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
        nullptr));
    return reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
}

} // namespace quorvane::test
