#pragma once

#include "platform/Beeper.h"

namespace quorvane::test {

// A bell that counts instead of sounding: Xvfb and the off-screen platform have no speaker.
struct CountingBeeper final : Beeper {
    void beep() override { ++beeps; }
    int beeps = 0;
};

} // namespace quorvane::test
