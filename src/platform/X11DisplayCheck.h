#pragma once

// Whether the X display can be opened, asked before Qt is: Qt's xcb plugin aborts the process
// when it cannot open its display, with a message about reinstalling the application.

#include <optional>
#include <string>

namespace quorvane::X11DisplayCheck {

// Connects to `display` and lets go again. None when it answers; otherwise the line to tell the
// user, naming the display as given.
std::optional<std::string> problem(const char* display);

} // namespace quorvane::X11DisplayCheck
