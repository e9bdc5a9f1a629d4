#include "platform/KeptOutDrags.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using namespace std::chrono_literals;
using Message = KeptOutDrags::Message;

constexpr std::uint32_t window = 0x2000001;
constexpr std::uint32_t person = 0x1200001;

Message message(std::uint32_t source, char kind) {
    Message bytes{};
    bytes[0] = kind;
    for (std::size_t i = 0; i < 4; ++i)
        bytes[12 + i] = static_cast<char>(source >> (8 * i));
    return bytes;
}

TEST(KeptOutDrags, OneDragASourceLetInOldestFirst) {
    KeptOutDrags kept;
    auto now = KeptOutDrags::Clock::now();
    const std::uint32_t a = 0x1400001, b = 0x1600001, c = 0x1800001;
    EXPECT_EQ(kept.oldest(), nullptr);
    kept.entered(a, window, message(a, 'e'), now);
    kept.entered(b, window, message(b, 'e'), now += 1ms);
    kept.entered(c, window, message(c, 'e'), now += 1ms);
    // Entering again while its drag goes on keeps its place; a position over another window is
    // none of its drag's.
    kept.entered(a, window, message(a, 'E'), now += 1ms);
    kept.moved(a, window, message(a, 'p'));
    kept.moved(a, window + 1, message(a, 'q'));
    ASSERT_NE(kept.oldest(), nullptr);
    EXPECT_EQ(kept.oldest()->source, a);
    EXPECT_EQ(kept.oldest()->enter, message(a, 'E'));
    EXPECT_EQ(kept.oldest()->position, message(a, 'p'));
    EXPECT_EQ(kept.size(), 3u);

    kept.forget(a);
    EXPECT_EQ(kept.oldest()->source, b);
    // One that ended waits no more; its next drag goes to the end of the line.
    kept.ended(b, window + 1);
    EXPECT_EQ(kept.oldest()->source, b) << "another window's drop is none of its drag's";
    kept.ended(b, window);
    EXPECT_EQ(kept.oldest()->source, c);
    kept.entered(b, window, message(b, 'e'), now += 1ms);
    kept.forget(c);
    EXPECT_EQ(kept.oldest()->source, b);
    EXPECT_FALSE(kept.oldest()->position);

    // A drag that was let in and may have lost its answer waits again in its place.
    kept.wait({person, window, message(person, 'e'), message(person, 'p'), now - 1h});
    EXPECT_EQ(kept.oldest()->source, person);
    EXPECT_EQ(kept.oldest()->position, message(person, 'p'));
}

// However many windows flood, a drag that waits stays remembered, first in line, and the memory
// holds no more than its bound.
TEST(KeptOutDrags, AFloodFromManyWindowsNeverPushesOutADragThatWaits) {
    KeptOutDrags kept;
    auto now = KeptOutDrags::Clock::now();
    kept.entered(person, window, message(person, 'e'), now);
    std::size_t most = 0;
    const auto flooder = [](std::uint32_t i) { return 0x3000000 + i; };
    for (int round = 0; round < 20; ++round) {
        // Drops from a thousand windows one after the other, then all entering before any drops.
        for (std::uint32_t i = 0; i < 1000; ++i) {
            kept.entered(flooder(i), window, message(flooder(i), 'e'), now += 1us);
            kept.moved(flooder(i), window, message(flooder(i), 'p'));
            kept.ended(flooder(i), window);
            most = std::max(most, kept.size());
        }
        for (std::uint32_t i = 0; i < 1000; ++i)
            kept.entered(flooder(i), window, message(flooder(i), 'e'), now += 1us);
        most = std::max(most, kept.size());
        ASSERT_NE(kept.oldest(), nullptr);
        EXPECT_EQ(kept.oldest()->source, person);
        for (std::uint32_t i = 0; i < 1000; ++i)
            kept.ended(flooder(i), window);
    }
    // A person entering amid drops from windows that fill the memory is remembered too, behind
    // the first.
    const std::uint32_t second = 0x1200002;
    for (std::uint32_t i = 0; i < 2000; ++i) {
        if (i == 1000) kept.entered(second, window, message(second, 'e'), now += 1us);
        kept.entered(flooder(i), window, message(flooder(i), 'e'), now += 1us);
        kept.ended(flooder(i), window);
        most = std::max(most, kept.size());
    }
    EXPECT_LE(most, KeptOutDrags::most);
    kept.forget(person);
    ASSERT_NE(kept.oldest(), nullptr);
    EXPECT_EQ(kept.oldest()->source, second);

    // Windows that enter and never end a drag fill it: each one more takes the place of the one
    // before, and those that waited longest keep theirs; the last to enter, as a person's once such
    // a flood is over, is remembered.
    KeptOutDrags waiting;
    for (std::uint32_t i = 0; i < 1000; ++i)
        waiting.entered(flooder(i), window, message(flooder(i), 'e'), now += 1us);
    waiting.entered(person, window, message(person, 'e'), now += 1us);
    EXPECT_EQ(waiting.size(), KeptOutDrags::most);
    EXPECT_EQ(waiting.oldest()->source, flooder(0));
    // A drag that had its turn and waits again pushes out none of them.
    waiting.wait({0x1200002, window, message(0x1200002, 'e'), std::nullopt, now - 1h});
    EXPECT_EQ(waiting.oldest()->source, flooder(0));
    for (std::uint32_t i = 0; i + 1 < KeptOutDrags::most; ++i)
        waiting.forget(flooder(i));
    ASSERT_NE(waiting.oldest(), nullptr);
    EXPECT_EQ(waiting.oldest()->source, person);
}

} // namespace
} // namespace quorvane
