#include "document/OverlayBudget.h"

#include "document/CompositionError.h"
#include "support/TestAnnotations.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(OverlayBudget, AdmitsUpToExactlyTheLimitCountingStridesUntilReleased) {
    ASSERT_EQ(OverlayBudget::liveBytes(), 0) << "an earlier test leaked overlays";
    OverlayImageRef heldByUndo; // another holder, as an undo step would be
    {
        auto first = OverlayBudget::admit(test::bitmapOfBytes(OverlayBudget::limitBytes - 64));
        auto last = OverlayBudget::admit(test::bitmapOfBytes(64));
        ASSERT_TRUE(first && last);
        EXPECT_EQ(OverlayBudget::liveBytes(), 268'435'456);
        const auto refused = OverlayBudget::admit(test::bitmapOfBytes(64));
        ASSERT_FALSE(refused);
        EXPECT_EQ(refused.error(), CompositionError::overlayBudget);
        EXPECT_EQ(message(refused.error()),
                  "Adding this image would keep more than 256 MB of added images in "
                  "memory (open documents and their undo history). Save the image, "
                  "then open the saved file to keep adding images.");
        heldByUndo = first.value();
    }
    // Bytes come back once the last holder lets go.
    EXPECT_FALSE(OverlayBudget::admit(test::bitmapOfBytes(128)));
    heldByUndo.reset();
    EXPECT_EQ(OverlayBudget::liveBytes(), 0);
    // 17 pixels need 68 bytes a row but the bitmap keeps 128.
    const auto padded =
        OverlayBudget::admit(*MappedBitmap::image(17, 10, MappedBitmap::Alpha::premultipliedLast, nullptr));
    ASSERT_TRUE(padded);
    EXPECT_EQ(OverlayBudget::liveBytes(), 1280);
}

} // namespace
} // namespace quorvane
