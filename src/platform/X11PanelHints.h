#pragma once

#include <cstdint>

namespace quorvane::X11PanelHints {

// Asks the window manager to leave the unmapped window `window` out of task bars and pagers, as
// floating panels are. Qt keeps these states when it maps the window. Does nothing off X11.
void skipTaskbarAndPager(std::uintptr_t window);

} // namespace quorvane::X11PanelHints
