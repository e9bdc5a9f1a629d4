#include "platform/DropMessageThinning.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using Message = DropMessageThinning::Message;
using namespace std::chrono_literals;

constexpr std::uint32_t person = 0x1200001;
constexpr std::uint32_t other = 0x1400001;

TEST(DropMessageThinning, APersonsDragsGoOnWhileOtherSourcesAreLeftOut) {
    DropMessageThinning thinning;
    auto now = DropMessageThinning::Clock::now();
    // Nothing is followed before an enter.
    EXPECT_FALSE(thinning.admit(Message::position, person, now));
    EXPECT_FALSE(thinning.admit(Message::drop, person, now));
    EXPECT_FALSE(thinning.admit(Message::enter, 0, now));

    // A drag enters, moves and drops; another source meanwhile is left out whatever it sends.
    EXPECT_TRUE(thinning.admit(Message::enter, person, now));
    for (const Message message : {Message::enter, Message::position, Message::leave, Message::drop})
        EXPECT_FALSE(thinning.admit(message, other, now));
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(thinning.admit(Message::position, person, now += 16ms));
    // Holding still over the window for a while keeps the drag.
    now += DropMessageThinning::silence - 1ms;
    EXPECT_FALSE(thinning.admit(Message::enter, other, now));
    EXPECT_TRUE(thinning.admit(Message::drop, person, now));
    EXPECT_FALSE(thinning.admit(Message::drop, person, now));

    // After a drop, no drag enters before the rest, its own source's neither.
    EXPECT_FALSE(thinning.admit(Message::enter, other, now + 1ms));
    EXPECT_FALSE(thinning.admit(Message::enter, person, now + 1ms));
    EXPECT_FALSE(thinning.admit(Message::position, other, now + 1ms));
    now += DropMessageThinning::rest;
    EXPECT_TRUE(thinning.admit(Message::enter, other, now));
    EXPECT_TRUE(thinning.admit(Message::position, other, now));

    // Leaving and coming back at once, as a pointer crossing the edge; another source waits its rest.
    EXPECT_TRUE(thinning.admit(Message::leave, other, now += 10ms));
    EXPECT_FALSE(thinning.admit(Message::position, other, now));
    EXPECT_FALSE(thinning.admit(Message::enter, person, now + 1ms));
    EXPECT_TRUE(thinning.admit(Message::enter, other, now + 1ms));
    EXPECT_TRUE(thinning.admit(Message::position, other, now += 2ms));

    // A followed source silent for long has ended without saying so: another may enter.
    now += DropMessageThinning::silence;
    EXPECT_TRUE(thinning.admit(Message::enter, person, now));
    EXPECT_FALSE(thinning.admit(Message::position, other, now));
    EXPECT_TRUE(thinning.admit(Message::position, person, now));
}

TEST(DropMessageThinning, AFloodOfDropsFromManySourcesHandsOnOneDragARest) {
    DropMessageThinning thinning;
    const auto start = DropMessageThinning::Clock::now();
    int admitted = 0;
    // 64 sources each entering, moving and dropping every 10 µs for a second.
    for (int step = 0; step < 100000; ++step) {
        const auto now = start + std::chrono::microseconds(10 * step);
        const std::uint32_t source = 0x1000000 + static_cast<std::uint32_t>(step % 64);
        for (const Message message : {Message::enter, Message::position, Message::drop})
            admitted += thinning.admit(message, source, now) ? 1 : 0;
    }
    // One drag of three messages per rest, and one at the start.
    EXPECT_LE(admitted, 3 * (1000ms / DropMessageThinning::rest + 1));
    EXPECT_GE(admitted, 3);
}

// A drag kept out earlier is let in once nothing is followed, without the rest that holds back a
// new drag after a drop: it entered before that drop. Never while another drag goes on.
TEST(DropMessageThinning, AKeptDragIsLetInOnceNoOtherGoesOn) {
    DropMessageThinning thinning;
    auto now = DropMessageThinning::Clock::now();
    EXPECT_FALSE(thinning.letIn(0, now));
    EXPECT_TRUE(thinning.admit(Message::enter, other, now));
    EXPECT_FALSE(thinning.admit(Message::enter, person, now));
    EXPECT_FALSE(thinning.letIn(person, now += 10ms));
    EXPECT_EQ(thinning.letInFreeAt(), now - 10ms + DropMessageThinning::silence);
    EXPECT_TRUE(thinning.admit(Message::drop, other, now));
    EXPECT_EQ(thinning.letInFreeAt(), DropMessageThinning::Clock::time_point{});
    EXPECT_TRUE(thinning.letIn(person, now += 1ms));
    EXPECT_EQ(thinning.followed(), person);
    EXPECT_TRUE(thinning.admit(Message::position, person, now));
    EXPECT_FALSE(thinning.admit(Message::position, other, now));
    // One that fell silent gives way to the next kept drag.
    EXPECT_FALSE(thinning.letIn(other, now + DropMessageThinning::silence - 1ms));
    EXPECT_TRUE(thinning.letIn(other, now + DropMessageThinning::silence));
    EXPECT_FALSE(thinning.admit(Message::position, person, now + DropMessageThinning::silence));
}

} // namespace
} // namespace quorvane
