// When a capture may read the screen under a compositing manager that may fade our windows out:
// learned once for each compositing manager, from the frames it paints.

#include "capture/CompositorFades.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using namespace std::chrono_literals;

TEST(CompositorFades, ReadsOnceFramesStopAndLearnsEachCompositingManagerOnce) {
    std::chrono::steady_clock::time_point now{};
    CompositorFades fades([&] { return now; });
    const auto after = [&](std::chrono::milliseconds time) { now += time; };

    // A new one paints the area away in one frame: given time to show it fades, once.
    fades.begin(1);
    EXPECT_FALSE(fades.done());
    fades.painted(false);
    after(2ms);
    fades.painted(true);
    after(30ms);
    EXPECT_FALSE(fades.done());
    after(40ms);
    EXPECT_TRUE(fades.done());
    fades.begin(1);
    fades.painted(true);
    EXPECT_TRUE(fades.done());

    // Started again (or another one), it fades: read once three of its frame gaps pass quiet.
    fades.begin(2);
    fades.painted(true);
    for (int frame = 0; frame < 30; ++frame) {
        after(10ms);
        EXPECT_FALSE(fades.done()) << frame;
        fades.painted(true);
    }
    after(25ms);
    EXPECT_FALSE(fades.done());
    after(10ms);
    EXPECT_TRUE(fades.done());
    // Known to fade, the next capture waits for frames it has not seen yet.
    fades.begin(2);
    fades.painted(true);
    after(20ms);
    EXPECT_FALSE(fades.done());
    after(15ms);
    EXPECT_TRUE(fades.done());
}

} // namespace
} // namespace quorvane
