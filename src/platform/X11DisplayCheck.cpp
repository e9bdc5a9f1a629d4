#include "platform/X11DisplayCheck.h"

#include <xcb/xcb.h>

namespace quorvane::X11DisplayCheck {

std::optional<std::string> problem(const char* display) {
    int screen = 0;
    xcb_connection_t* connection = xcb_connect(display, &screen);
    const int error = xcb_connection_has_error(connection);
    // Qt asks for this screen of the display too.
    const bool hasScreen =
        error == 0 && screen >= 0 && screen < xcb_setup_roots_length(xcb_get_setup(connection));
    xcb_disconnect(connection);
    if (hasScreen) return std::nullopt;
    std::string line = "Quorvane cannot open display \"" + std::string(display) + "\"";
    if (error == XCB_CONN_CLOSED_PARSE_ERR)
        line += ": that is not a display name";
    else if (error == 0 || error == XCB_CONN_CLOSED_INVALID_SCREEN)
        line += ": it has no screen " + std::to_string(screen);
    return line + '.';
}

} // namespace quorvane::X11DisplayCheck
