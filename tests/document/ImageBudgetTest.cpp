#include "document/BaseHistory.h"
#include "document/CompositionError.h"
#include "document/OverlayBudget.h"
#include "export/MappedBitmap.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

// Mapped pages are only touched when drawn into, so large budgets cost no memory here.
QImage bitmapOfBytes(std::int64_t bytes) {
    const std::int64_t width = 16; // 64-byte rows
    EXPECT_EQ(bytes % 64, 0);
    return *MappedBitmap::image(width, bytes / 64, MappedBitmap::Alpha::premultipliedLast, nullptr);
}

class OverlayBudgetTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(OverlayBudget::liveBytes(), 0) << "an earlier test leaked overlays"; }
};

TEST_F(OverlayBudgetTest, AdmitsUpToExactlyTheLimit) {
    auto first = OverlayBudget::admit(bitmapOfBytes(OverlayBudget::limitBytes - 64));
    ASSERT_TRUE(first);
    auto last = OverlayBudget::admit(bitmapOfBytes(64));
    ASSERT_TRUE(last);
    EXPECT_EQ(OverlayBudget::liveBytes(), 268'435'456);

    const auto refused = OverlayBudget::admit(bitmapOfBytes(64));
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(), CompositionError::overlayBudget);
    EXPECT_EQ(
        message(refused.error()),
        "Adding this image would keep more than 256 MB of added images in memory (open documents and their "
        "undo history). Save the image, then open the saved file to keep adding images.");
    EXPECT_EQ(OverlayBudget::liveBytes(), 268'435'456);
}

TEST_F(OverlayBudgetTest, ReleasedOverlaysGiveTheirBytesBack) {
    auto overlay = OverlayBudget::admit(bitmapOfBytes(OverlayBudget::limitBytes)).value();
    OverlayImageRef heldByUndo = overlay; // another holder, as an undo step would be
    overlay.reset();
    EXPECT_FALSE(OverlayBudget::admit(bitmapOfBytes(64)));
    heldByUndo.reset();
    EXPECT_EQ(OverlayBudget::liveBytes(), 0);
    EXPECT_TRUE(OverlayBudget::admit(bitmapOfBytes(OverlayBudget::limitBytes)));
}

TEST_F(OverlayBudgetTest, CountsThePaddedStride) {
    // 17 pixels need 68 bytes a row but the bitmap keeps 128.
    const QImage padded = *MappedBitmap::image(17, 10, MappedBitmap::Alpha::premultipliedLast, nullptr);
    auto overlay = OverlayBudget::admit(padded);
    ASSERT_TRUE(overlay);
    EXPECT_EQ(OverlayBudget::liveBytes(), 1280);
    EXPECT_EQ(&overlay.value()->image(), &overlay.value()->image());
}

BaseImageRef baseOfBytes(std::int64_t bytes) {
    return std::make_shared<const BaseImage>(bitmapOfBytes(bytes));
}

constexpr std::int64_t MiB = 1 << 20;

TEST(BaseHistory, FitsOnlyOneEarlierBaseWithinTheByteLimit) {
    BaseHistory history;
    auto first = baseOfBytes(64);
    history.track(first);
    EXPECT_TRUE(history.fits(first, 2, 256 * MiB));

    auto second = baseOfBytes(64);
    history.track(second);
    EXPECT_TRUE(history.fits(second, 2, 256 * MiB));

    // Two earlier bases plus the current one never fit, however small.
    auto third = baseOfBytes(64);
    history.track(third);
    EXPECT_FALSE(history.fits(third, 2, 256 * MiB));

    // Clearing the undo steps that held the earlier bases lets them drop out at the next track.
    first.reset();
    second.reset();
    EXPECT_TRUE(history.fits(third, 2, 256 * MiB));
    auto fourth = baseOfBytes(64);
    history.track(fourth);
    EXPECT_EQ(history.entries.size(), 2u);
}

TEST(BaseHistory, CountsBytesOfEarlierAndCurrentBase) {
    BaseHistory history;
    const auto big = baseOfBytes(300 * MiB);
    history.track(big);
    EXPECT_FALSE(history.fits(big, 2, 256 * MiB));

    BaseHistory pair;
    const auto earlier = baseOfBytes(128 * MiB), current = baseOfBytes(128 * MiB);
    pair.track(earlier);
    pair.track(current);
    EXPECT_TRUE(pair.fits(current, 2, 256 * MiB));
    EXPECT_FALSE(pair.fits(current, 2, 256 * MiB - 1));
}

TEST(BaseHistory, TrackingTwiceKeepsBothEntriesAndEarlierLeavesBothOut) {
    BaseHistory history;
    const auto a = baseOfBytes(64), b = baseOfBytes(64);
    history.track(a);
    history.track(b);
    history.track(a);
    EXPECT_EQ(history.entries.size(), 3u);
    EXPECT_EQ(history.earlier(a), std::vector<BaseImageRef>{b});
    EXPECT_EQ(history.earlier(b), (std::vector<BaseImageRef>{a, a}));
}

} // namespace
} // namespace quorvane
