#pragma once

// The one-second steps of a countdown (a capture's delay, a pin's or thumbnail's timing).

#include <functional>

namespace quorvane::CaptureDelay {

// Starts a one-second step of the countdown and returns what stops it early. The program uses a
// timer on the clock that counts through suspend; tests step the countdown by hand.
using Sleep = std::function<std::function<void()>(int milliseconds, std::function<void()> wake)>;
Sleep timerSleep();

} // namespace quorvane::CaptureDelay
