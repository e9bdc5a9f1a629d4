#include "platform/XdndSources.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace quorvane
