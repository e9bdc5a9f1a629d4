#pragma once

#include <cstdint>

// When the last drag was dropped on one of our windows, as the drop message said. A drag's source
// serves its data by that time (Qt's own, once the drag has ended, by no other), and Qt keeps the
// time to itself: a filter on the events reads it on the way in.
namespace quorvane::X11DropTimes {

// Starts watching, once; without Qt's X connection, nothing. GUI thread.
void watch();
// The time of the last drop on the window `window` since watching began; 0 (now) when none was seen.
std::uint32_t lastDrop(std::uint32_t window);

} // namespace quorvane::X11DropTimes
