#include "export/MappedBitmap.h"

#include "platform/AnonymousMemory.h"

#include <QColorSpace>
#include <QPainter>
#include <gtest/gtest.h>
#include <limits>
#include <malloc.h>

namespace quorvane {
namespace {

using MappedBitmap::Alpha;

TEST(MappedBitmap, RowsArePaddedTo64Bytes) {
    EXPECT_EQ(MappedBitmap::rowBytes(1), 64);
    EXPECT_EQ(MappedBitmap::rowBytes(16), 64);
    EXPECT_EQ(MappedBitmap::rowBytes(17), 128);
    EXPECT_EQ(MappedBitmap::rowBytes(std::numeric_limits<std::int64_t>::max()), std::nullopt);

    for (int width : {1, 16, 17, 1000}) {
        const auto image = MappedBitmap::image(width, 3, Alpha::premultipliedLast, nullptr);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->bytesPerLine(), *MappedBitmap::rowBytes(width));
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(image->constBits()) % 64, 0u);
    }
}

TEST(MappedBitmap, RefusesBadSizesWithoutMapping) {
    const auto before = AnonymousMemory::counters();
    const std::int64_t huge = std::numeric_limits<std::int64_t>::max();
    for (auto [w, h] : std::initializer_list<std::pair<std::int64_t, std::int64_t>>{{0, 10},
                                                                                    {10, 0},
                                                                                    {-1, 10},
                                                                                    {10, -5},
                                                                                    {huge, 1},
                                                                                    {1, huge},
                                                                                    {huge / 4, huge / 4},
                                                                                    {1 << 30, 1 << 30}})
        EXPECT_FALSE(MappedBitmap::image(w, h, Alpha::premultipliedLast, nullptr)) << w << " × " << h;
    EXPECT_EQ(AnonymousMemory::counters().maps, before.maps);
}

TEST(MappedBitmap, UntouchedPixelsAreTransparentOrBlack) {
    const auto clear = MappedBitmap::image(5, 4, Alpha::premultipliedLast, nullptr);
    ASSERT_TRUE(clear);
    EXPECT_EQ(clear->format(), QImage::Format_RGBA8888_Premultiplied);
    EXPECT_EQ(clear->colorSpace(), QColorSpace(QColorSpace::SRgb));
    EXPECT_EQ(clear->pixel(4, 3), 0u);

    const auto opaque = MappedBitmap::image(5, 4, Alpha::noneSkipLast, nullptr);
    ASSERT_TRUE(opaque);
    EXPECT_EQ(opaque->format(), QImage::Format_RGBX8888);
    EXPECT_EQ(opaque->pixel(2, 2), qRgb(0, 0, 0));
}

TEST(MappedBitmap, DrawsInPlaceInRgbaByteOrder) {
    const uchar* drawnInto = nullptr;
    const auto image = MappedBitmap::image(8, 8, Alpha::premultipliedLast, [&](QImage& target) {
        QPainter painter(&target);
        painter.fillRect(QRect(0, 0, 8, 4), QColor(255, 0, 0));
        painter.fillRect(QRect(0, 4, 8, 4), QColor(0, 0, 255));
        drawnInto = target.constBits();
    });
    ASSERT_TRUE(image);
    // The pixels are the mapped memory the routine drew into, not a copy.
    EXPECT_EQ(image->constBits(), drawnInto);
    const uchar* top = image->constScanLine(0);
    EXPECT_EQ((std::array<int, 4>{top[0], top[1], top[2], top[3]}), (std::array<int, 4>{255, 0, 0, 255}));
    const uchar* bottom = image->constScanLine(7);
    EXPECT_EQ((std::array<int, 4>{bottom[0], bottom[1], bottom[2], bottom[3]}),
              (std::array<int, 4>{0, 0, 255, 255}));
}

TEST(MappedBitmap, ReleasingTheLastCopyUnmapsOnce) {
    const auto before = AnonymousMemory::counters();
    {
        auto image = MappedBitmap::image(100, 10, Alpha::premultipliedLast, nullptr);
        ASSERT_TRUE(image);
        const auto during = AnonymousMemory::counters();
        EXPECT_EQ(during.maps, before.maps + 1);
        EXPECT_EQ(during.liveBytes, before.liveBytes + 448 * 10);
        const QImage copy = *image; // shares, does not copy
        image.reset();
        EXPECT_EQ(AnonymousMemory::counters().unmaps, before.unmaps);
        EXPECT_EQ(copy.width(), 100);
    }
    const auto after = AnonymousMemory::counters();
    EXPECT_EQ(after.unmaps, before.unmaps + 1);
    EXPECT_EQ(after.liveBytes, before.liveBytes);
}

TEST(MappedBitmap, LargeBitmapLivesOutsideTheHeap) {
    const auto heapBefore = ::mallinfo2().uordblks;
    auto image = MappedBitmap::image(8000, 4000, Alpha::premultipliedLast, [](QImage& target) {
        QPainter painter(&target);
        painter.fillRect(target.rect(), Qt::white);
    });
    ASSERT_TRUE(image);
    EXPECT_EQ(image->constScanLine(3999)[4 * 7999 + 3], 255);
    const auto heapAfter = ::mallinfo2().uordblks;
    // 32 million pixels are 128 MB; the heap grows by bookkeeping only.
    EXPECT_LT(heapAfter > heapBefore ? heapAfter - heapBefore : 0, 1u << 20);
}

} // namespace
} // namespace quorvane
