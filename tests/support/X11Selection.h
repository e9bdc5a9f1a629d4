#pragma once

#include "platform/X11CaptureReply.h"

#include <cstring>
#include <memory>
#include <xcb/xcb.h>

namespace quorvane::test {

// Whether a client of the test's display owns the selection `name` (a tray's
// "_NET_SYSTEM_TRAY_S0", a compositing manager's "_NET_WM_CM_S0").
inline bool selectionHasOwner(const char* name) {
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> c(xcb_connect(nullptr, nullptr), &xcb_disconnect);
    if (xcb_connection_has_error(c.get()) != 0) return false;
    X11Reply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        c.get(), xcb_intern_atom(c.get(), 1, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    if (!atom || atom->atom == XCB_NONE) return false;
    X11Reply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(c.get(), xcb_get_selection_owner(c.get(), atom->atom), nullptr));
    return owner && owner->owner != XCB_NONE;
}

} // namespace quorvane::test
