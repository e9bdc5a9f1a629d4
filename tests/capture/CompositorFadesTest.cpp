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
    const auto frames = [&](int count) {
        for (int frame = 0; frame < count; ++frame) {
            after(10ms);
            EXPECT_FALSE(fades.done()) << frame;
            fades.painted(true);
        }
    };

    // A new one paints the area away in one frame, its last report read a moment after the
    // others: given time to show it fades, once.
    fades.begin(1);
    EXPECT_FALSE(fades.done());
    fades.painted(false);
    after(2ms);
    fades.painted(true);
    after(1ms);
    fades.painted(true);
    after(30ms);
    EXPECT_FALSE(fades.done());
    after(40ms);
    EXPECT_TRUE(fades.done());
    fades.begin(1);
    fades.painted(true);
    EXPECT_TRUE(fades.done());

    // Started again (or another one), it fades: read once its frames have stopped.
    fades.begin(2);
    fades.painted(true);
    frames(30);
    after(35ms);
    EXPECT_FALSE(fades.done());
    after(10ms);
    EXPECT_TRUE(fades.done());
    // Its next fade pauses on a busy machine, for longer than the quiet that ends a fade, but not
    // for as long as its fades last: the pause is not taken for the end.
    fades.begin(2);
    fades.painted(true);
    frames(5);
    after(120ms);
    EXPECT_FALSE(fades.done());
    fades.painted(true);
    frames(15);
    after(45ms);
    EXPECT_TRUE(fades.done());
}

} // namespace
} // namespace quorvane
