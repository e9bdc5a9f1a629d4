#include "document/BaseHistory.h"

#include "support/TestAnnotations.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

constexpr std::int64_t MiB = 1 << 20;

BaseImageRef baseOfBytes(std::int64_t bytes) {
    return std::make_shared<const BaseImage>(test::bitmapOfBytes(bytes));
}

TEST(BaseHistory, FitsOneEarlierBaseWithinTheByteLimit) {
    BaseHistory history;
    auto first = baseOfBytes(64), second = baseOfBytes(64), third = baseOfBytes(64);
    history.track(first);
    EXPECT_TRUE(history.fits(first, 2, 256 * MiB));
    history.track(second);
    EXPECT_TRUE(history.fits(second, 2, 256 * MiB));
    // Two earlier bases plus the current one never fit, however small.
    history.track(third);
    EXPECT_FALSE(history.fits(third, 2, 256 * MiB));
    // Once the undo steps that held the earlier bases are gone, they drop out at the next track.
    first.reset();
    second.reset();
    EXPECT_TRUE(history.fits(third, 2, 256 * MiB));
    history.track(baseOfBytes(64));
    EXPECT_EQ(history.entries.size(), 2u);

    // The bytes of the earlier and the current base count, up to the limit itself.
    BaseHistory alone, pair;
    const auto big = baseOfBytes(300 * MiB), earlier = baseOfBytes(128 * MiB),
               current = baseOfBytes(128 * MiB);
    alone.track(big);
    EXPECT_FALSE(alone.fits(big, 2, 256 * MiB));
    pair.track(earlier);
    pair.track(current);
    EXPECT_TRUE(pair.fits(current, 2, 256 * MiB));
    EXPECT_FALSE(pair.fits(current, 2, 256 * MiB - 1));
    // A base tracked twice keeps both entries; `earlier` leaves every entry of the given base out.
    pair.track(earlier);
    EXPECT_EQ(pair.entries.size(), 3u);
    EXPECT_EQ(pair.earlier(earlier), std::vector<BaseImageRef>{current});
    EXPECT_EQ(pair.earlier(current), (std::vector<BaseImageRef>{earlier, earlier}));
}

} // namespace
} // namespace quorvane
