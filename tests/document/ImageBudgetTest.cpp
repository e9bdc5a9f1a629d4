#include "document/BaseHistory.h"
#include "document/CompositionError.h"
#include "document/OverlayBudget.h"
#include "imaging/MappedBitmap.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

constexpr std::int64_t MiB = 1 << 20;

// Mapped pages are only touched when drawn into, so large budgets cost no memory here.
QImage bitmapOfBytes(std::int64_t bytes) {
    EXPECT_EQ(bytes % 64, 0);
    return *MappedBitmap::image(16, bytes / 64, MappedBitmap::Alpha::premultipliedLast,
                                nullptr); // 64-byte rows
}

BaseImageRef baseOfBytes(std::int64_t bytes) {
    return std::make_shared<const BaseImage>(bitmapOfBytes(bytes));
}

TEST(OverlayBudget, AdmitsUpToExactlyTheLimitCountingStridesUntilReleased) {
    ASSERT_EQ(OverlayBudget::liveBytes(), 0) << "an earlier test leaked overlays";
    OverlayImageRef heldByUndo; // another holder, as an undo step would be
    {
        auto first = OverlayBudget::admit(bitmapOfBytes(OverlayBudget::limitBytes - 64));
        auto last = OverlayBudget::admit(bitmapOfBytes(64));
        ASSERT_TRUE(first && last);
        EXPECT_EQ(OverlayBudget::liveBytes(), 268'435'456);
        const auto refused = OverlayBudget::admit(bitmapOfBytes(64));
        ASSERT_FALSE(refused);
        EXPECT_EQ(refused.error(), CompositionError::overlayBudget);
        EXPECT_EQ(message(refused.error()),
                  "Adding this image would keep more than 256 MB of added images in "
                  "memory (open documents and their undo history). Save the image, "
                  "then open the saved file to keep adding images.");
        heldByUndo = first.value();
    }
    // Bytes come back once the last holder lets go.
    EXPECT_FALSE(OverlayBudget::admit(bitmapOfBytes(128)));
    heldByUndo.reset();
    EXPECT_EQ(OverlayBudget::liveBytes(), 0);
    // 17 pixels need 68 bytes a row but the bitmap keeps 128.
    const auto padded =
        OverlayBudget::admit(*MappedBitmap::image(17, 10, MappedBitmap::Alpha::premultipliedLast, nullptr));
    ASSERT_TRUE(padded);
    EXPECT_EQ(OverlayBudget::liveBytes(), 1280);
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
