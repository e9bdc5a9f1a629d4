#include "platform/XdndSources.h"

#include <gtest/gtest.h>
#include <set>

namespace quorvane {
namespace {

// Drags from made-up windows of 2,048 programs, more than are followed in all, leave as many as are
// followed, and a person's drag among them, whose window was seen to exist, though its program's
// range is flooded too.
TEST(XdndSources, AFloodOverManyProgramsMakesRoomFromItsOwnDrags) {
    XdndSources sources(0xffe00000u);
    const XdndSources::Clock::time_point now = XdndSources::Clock::now();
    constexpr std::uint32_t person = 2u << 21 | 1u;
    sources.enter(person, 1, 1, now);
    sources.exists(person);
    for (std::uint32_t i = 0; i < 20000; ++i)
        sources.enter((i % 2048) << 21 | (0x1fffffu - i / 2048), 1, 1, now);
    EXPECT_EQ(sources.size(), XdndSources::mostSources);
    EXPECT_NE(sources.find(person), nullptr);
}

// A drag answered that its drop would be taken, then pushed out by its program's later drags, is
// remembered once, so that its drop hears it was not taken.
TEST(XdndSources, ADragPushedOutAfterItWasAcceptedIsRemembered) {
    XdndSources sources(0xffe00000u);
    const XdndSources::Clock::time_point now = XdndSources::Clock::now();
    sources.enter(1, 1, 1, now);
    sources.answered(1, 0);
    for (std::uint32_t window = 2; window <= XdndSources::mostEach + 1; ++window)
        sources.enter(window, 1, 1, now);
    EXPECT_EQ(sources.find(1), nullptr);
    EXPECT_TRUE(sources.pushedOut(1));
    EXPECT_FALSE(sources.pushedOut(1));
    EXPECT_FALSE(sources.pushedOut(2));
}

// Drags entering and ending by the thousand, of programs whose windows differ in their high bits as
// in their low ones, are found for as long as they are followed, and only then (here no more than
// are followed at once).
TEST(XdndSources, EveryDragFollowedIsFoundAndNoOther) {
    XdndSources sources(0xffe00000u);
    const XdndSources::Clock::time_point now = XdndSources::Clock::now();
    std::set<std::uint32_t> followed;
    std::uint32_t seed = 1;
    const auto next = [&] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    for (int step = 0; step < 200000; ++step) {
        const std::uint32_t window = next() % 400 << 21 | next() % XdndSources::mostEach;
        if (window == 0) continue;
        if (next() % 3 == 0) {
            sources.erase(window);
            followed.erase(window);
        } else {
            sources.enter(window, 1, 1, now);
            followed.insert(window);
        }
        ASSERT_EQ(sources.size(), followed.size()) << "step " << step;
    }
    for (std::uint32_t program = 0; program < 400; ++program)
        for (std::uint32_t low = 0; low < XdndSources::mostEach; ++low)
            EXPECT_EQ(sources.find(program << 21 | low) != nullptr, followed.count(program << 21 | low) != 0)
                << program << " " << low;
}

} // namespace
} // namespace quorvane
