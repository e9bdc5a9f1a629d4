#include "platform/X11PanelHints.h"

#include "platform/QtX11Connection.h"

#include <array>
#include <cstdlib>
#include <xcb/xcb.h>

namespace quorvane::X11PanelHints {
namespace {

xcb_atom_t intern(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::char_traits<char>::length(name)),
                        name),
        nullptr);
    xcb_atom_t atom = XCB_ATOM_NONE;
    if (reply != nullptr) atom = reply->atom;
    std::free(reply);
    return atom;
}

} // namespace

void skipTaskbarAndPager(std::uintptr_t window) {
    xcb_connection_t* connection = qtX11Connection();
    if (connection == nullptr || window == 0) return;
    const xcb_atom_t state = intern(connection, "_NET_WM_STATE");
    const std::array<xcb_atom_t, 2> states = {intern(connection, "_NET_WM_STATE_SKIP_TASKBAR"),
                                              intern(connection, "_NET_WM_STATE_SKIP_PAGER")};
    if (state == XCB_ATOM_NONE || states[0] == XCB_ATOM_NONE || states[1] == XCB_ATOM_NONE) return;
    xcb_change_property(connection, XCB_PROP_MODE_APPEND, static_cast<xcb_window_t>(window), state,
                        XCB_ATOM_ATOM, 32, static_cast<std::uint32_t>(states.size()), states.data());
    xcb_flush(connection);
}

} // namespace quorvane::X11PanelHints
