#pragma once

struct xcb_connection_t;

namespace quorvane {

// The X connection of Qt's xcb platform; null on any other platform (off-screen tests) or
// before the application exists. Requests on it reach the same server that Qt's windows and
// clipboard use.
xcb_connection_t* qtX11Connection();
// Returns once the server has handled every request Qt has made so far, the painting of its
// windows among them; at once without Qt's X connection.
void syncQtX11Connection();

} // namespace quorvane
