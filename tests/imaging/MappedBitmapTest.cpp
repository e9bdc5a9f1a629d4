#include "imaging/MappedBitmap.h"

#include "platform/AnonymousMemory.h"

#include <QColorSpace>
#include <QPainter>
#include <gtest/gtest.h>
#include <limits>
#include <malloc.h>

namespace quorvane {
namespace {

using MappedBitmap::Alpha;

TEST(MappedBitmap, PadsRowsTo64BytesStartsClearAndRefusesBadSizesWithoutMapping) {
    const std::int64_t huge = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(MappedBitmap::rowBytes(16), 64);
    EXPECT_EQ(MappedBitmap::rowBytes(17), 128);
    EXPECT_EQ(MappedBitmap::rowBytes(huge), std::nullopt);
    for (int width : {1, 17, 1000}) {
        const QImage image = MappedBitmap::image(width, 3, Alpha::premultipliedLast, nullptr).value();
        EXPECT_EQ(image.bytesPerLine(), *MappedBitmap::rowBytes(width));
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(image.constBits()) % 64, 0u);
        EXPECT_EQ(image.format(), QImage::Format_RGBA8888_Premultiplied);
        EXPECT_EQ(image.colorSpace(), QColorSpace(QColorSpace::SRgb));
        EXPECT_EQ(image.pixel(width - 1, 2), 0u);
    }
    const QImage opaque = MappedBitmap::image(5, 4, Alpha::noneSkipLast, nullptr).value();
    EXPECT_EQ(opaque.format(), QImage::Format_RGBX8888);
    EXPECT_EQ(opaque.pixel(2, 2), qRgb(0, 0, 0));

    const auto maps = AnonymousMemory::counters().maps;
    const std::pair<std::int64_t, std::int64_t> sizes[] = {
        {0, 10}, {10, 0}, {-1, 10}, {10, -5}, {huge, 1}, {1, huge}, {huge / 4, huge / 4}, {1 << 30, 1 << 30}};
    for (const auto& [w, h] : sizes)
        EXPECT_FALSE(MappedBitmap::image(w, h, Alpha::premultipliedLast, nullptr)) << w << " × " << h;
    EXPECT_EQ(AnonymousMemory::counters().maps, maps);
}

TEST(MappedBitmap, DrawsInPlaceInRgbaByteOrderAndUnmapsWhenTheLastCopyGoes) {
    const auto before = AnonymousMemory::counters();
    {
        const uchar* drawnInto = nullptr;
        auto image = MappedBitmap::image(100, 8, Alpha::premultipliedLast, [&](QImage& target) {
            QPainter(&target).fillRect(QRect(0, 4, 100, 4), QColor(255, 128, 0));
            drawnInto = target.constBits();
        });
        // The pixels are the mapped memory the routine drew into, not a copy on the heap.
        EXPECT_EQ(image->constBits(), drawnInto);
        EXPECT_EQ(AnonymousMemory::counters().liveBytes, before.liveBytes + 448 * 8);
        const uchar* p = image->constScanLine(7);
        EXPECT_EQ((std::array<int, 5>{p[0], p[1], p[2], p[3], image->constBits()[3]}),
                  (std::array<int, 5>{255, 128, 0, 255, 0}));
        const QImage copy = *image; // shares, does not copy
        image.reset();
        EXPECT_EQ(AnonymousMemory::counters().unmaps, before.unmaps);
    }
    const auto after = AnonymousMemory::counters();
    EXPECT_EQ(after.maps, before.maps + 1);
    EXPECT_EQ(after.unmaps, before.unmaps + 1);
    EXPECT_EQ(after.liveBytes, before.liveBytes);
}

TEST(MappedBitmap, ThirtyTwoMegapixelsLiveOutsideTheHeap) {
    const auto heapBefore = ::mallinfo2().uordblks;
    const auto image = MappedBitmap::image(8000, 4000, Alpha::premultipliedLast,
                                           [](QImage& target) { target.fill(Qt::white); });
    ASSERT_TRUE(image);
    EXPECT_EQ(image->constScanLine(3999)[4 * 7999 + 3], 255);
    // 128 MB of pixels; the heap grows by bookkeeping only.
    const auto heapAfter = ::mallinfo2().uordblks;
    EXPECT_LT(heapAfter > heapBefore ? heapAfter - heapBefore : 0, 1u << 20);
}

// The next capture's memory, readied in the background: taken by the next bitmap of exactly its
// size, zero like any fresh bitmap, and never more than one of them.
TEST(MappedBitmap, TheNextBitmapOfTheSizeTakesTheOneSpareReadiedForIt) {
    MappedBitmap::prepareSpare(1920, 1080);
    EXPECT_EQ(AnonymousMemory::spareLength(), 7680u * 1080);
    // Another size replaces it; a bitmap of a third size leaves it alone.
    MappedBitmap::prepareSpare(1000, 1000);
    EXPECT_EQ(AnonymousMemory::spareLength(), 4032u * 1000);
    EXPECT_TRUE(MappedBitmap::image(640, 480, Alpha::premultipliedLast, {}));
    EXPECT_EQ(AnonymousMemory::spareLength(), 4032u * 1000);
    for (const Alpha alpha : {Alpha::premultipliedLast, Alpha::noneSkipLast}) {
        MappedBitmap::prepareSpare(1000, 1000);
        const auto before = AnonymousMemory::counters();
        const auto image = MappedBitmap::image(1000, 1000, alpha, {});
        ASSERT_TRUE(image);
        EXPECT_EQ(AnonymousMemory::spareLength(), 0u);
        EXPECT_EQ(AnonymousMemory::counters().liveBytes, before.liveBytes + 4032 * 1000);
        const QRgb expected = alpha == Alpha::premultipliedLast ? qRgba(0, 0, 0, 0) : qRgb(0, 0, 0);
        for (const QPoint at : {QPoint(0, 0), QPoint(999, 999), QPoint(500, 700)})
            EXPECT_EQ(image->pixel(at), expected);
    }
    MappedBitmap::prepareSpare(0, 10);
    MappedBitmap::prepareSpare(std::numeric_limits<std::int64_t>::max(), 10);
    EXPECT_EQ(AnonymousMemory::spareLength(), 0u);
}

} // namespace
} // namespace quorvane
