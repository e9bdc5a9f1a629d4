#pragma once

#include <xcb/xcb.h>

namespace quorvane {

// The X connection of Qt's xcb platform; null on any other platform (off-screen tests) or
// before the application exists. Requests on it reach the same server that Qt's windows and
// clipboard use.
xcb_connection_t* qtX11Connection();

} // namespace quorvane
