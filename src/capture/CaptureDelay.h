#pragma once

// How long a capture waits before it takes its picture.

#include <functional>
#include <optional>

namespace quorvane::CaptureDelay {

// Seconds: a one-shot delay wins whenever one is set (0 to 10, anything else is none); otherwise
// the standing delay, which the home view offers as 0, 3 or 5 only.
int seconds(std::optional<int> oneShot, int standing);

// Starts a one-second step of the countdown and returns what stops it early. The program uses a
// timer on the clock that counts through suspend; tests step the countdown by hand.
using Sleep = std::function<std::function<void()>(int milliseconds, std::function<void()> wake)>;
Sleep timerSleep();

} // namespace quorvane::CaptureDelay
