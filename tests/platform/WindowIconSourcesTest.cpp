// The application icons of listed windows: the _NET_WM_ICON words a window gives, the icon pixmap
// of its WM_HINTS, and the Icon= of a desktop entry. All come from other programs and are
// untrusted.

#include "platform/DesktopEntryIcon.h"
#include "platform/X11IconPixmap.h"
#include "platform/X11WindowIcon.h"
#include "support/TempDir.h"

#include <QDir>
#include <fstream>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// One icon of `side` pixels in the property's form, every pixel `argb`.
void append(std::vector<std::uint32_t>& words, std::uint32_t side, std::uint32_t argb) {
    words.push_back(side);
    words.push_back(side);
    words.insert(words.end(), std::size_t(side) * side, argb);
}

TEST(X11WindowIcon, PicksTheSmallestLargeEnoughSizeAndRefusesMalformedProperties) {
    std::vector<std::uint32_t> words;
    append(words, 16, 0xffff0000u);
    append(words, 64, 0xff00ff00u);
    append(words, 32, 0x800000ffu);
    struct Case {
        int side;
        int picked;
    };
    for (const Case& each : {Case{20, 32}, Case{32, 32}, Case{48, 64}, Case{128, 64}, Case{8, 16}}) {
        const QImage icon = X11WindowIcon::decode(words.data(), words.size(), each.side);
        EXPECT_EQ(icon.width(), each.picked) << each.side;
    }
    // Not premultiplied in the property: half-transparent blue stays blue.
    const QColor blue = X11WindowIcon::decode(words.data(), words.size(), 32).pixelColor(3, 3);
    EXPECT_EQ(std::tuple(blue.blue(), blue.alpha(), blue.red()), std::tuple(255, 128, 0));

    // Cut short, zero-sized or absurdly large: no icon, nothing allocated for it.
    EXPECT_TRUE(X11WindowIcon::decode(words.data(), words.size() - 1, 32).isNull());
    const std::vector<std::uint32_t> empty{0, 0};
    EXPECT_TRUE(X11WindowIcon::decode(empty.data(), empty.size(), 32).isNull());
    const std::vector<std::uint32_t> huge{70000, 70000, 1, 2, 3};
    EXPECT_TRUE(X11WindowIcon::decode(huge.data(), huge.size(), 32).isNull());
    EXPECT_TRUE(X11WindowIcon::decode(words.data(), 1, 32).isNull());
}

// The pixels of an icon pixmap in the layouts of other servers than the test's (byte and bit
// orders, pixel sizes), and the ones no icon should have.
TEST(X11IconPixmap, ReadsOtherServersLayoutsAndRefusesTheRest) {
    using Layout = X11IconPixmap::Layout;
    // A 10 × 2 bitmap, the most significant bit first, rows padded to 32 bits: 1010000011, 0000000001.
    const std::vector<std::uint8_t> bits = {0xa0, 0xc0, 0, 0, 0x00, 0x40, 0, 0};
    const Layout bitmap{.depth = 1, .bitsPerPixel = 1, .scanlinePad = 32, .mostSignificantBitFirst = true};
    const QImage image = X11IconPixmap::decode(bitmap, bits.data(), bits.size(), 10, 2);
    ASSERT_EQ(image.size(), QSize(10, 2));
    QString rows;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 10; ++x)
            rows += image.pixelColor(x, y) == QColor(Qt::black) ? '1' : '0';
    EXPECT_EQ(rows, QStringLiteral("10100000110000000001"));
    // One byte short of the last row: refused. A mask clears beyond its own size too.
    EXPECT_TRUE(X11IconPixmap::decode(bitmap, bits.data(), bits.size() - 1, 10, 2).isNull());
    const QImage mask = X11IconPixmap::decode(bitmap, bits.data(), bits.size(), 10, 1);
    const QImage masked = X11IconPixmap::masked(image, mask);
    EXPECT_EQ(std::tuple(masked.pixelColor(0, 0).alpha(), masked.pixelColor(1, 0).alpha(),
                         masked.pixelColor(9, 1).alpha()),
              std::tuple(255, 0, 0));

    // 24 bits, the most significant byte first; 24-bit pixels; 16-bit 5-6-5.
    const Layout depth24{.depth = 24, .bitsPerPixel = 32, .mostSignificantByteFirst = true,
                         .redMask = 0xff0000, .greenMask = 0xff00, .blueMask = 0xff};
    const std::vector<std::uint8_t> big = {0x00, 0x10, 0x20, 0x30};
    EXPECT_EQ(X11IconPixmap::decode(depth24, big.data(), 4, 1, 1).pixelColor(0, 0), QColor(0x10, 0x20, 0x30));
    Layout packed = depth24;
    packed.bitsPerPixel = 24;
    packed.mostSignificantByteFirst = false;
    const std::vector<std::uint8_t> two = {0x30, 0x20, 0x10, 0x03, 0x02, 0x01, 0, 0};
    const QImage packedImage = X11IconPixmap::decode(packed, two.data(), two.size(), 2, 1);
    EXPECT_EQ(std::pair(packedImage.pixelColor(0, 0), packedImage.pixelColor(1, 0)),
              std::pair(QColor(0x10, 0x20, 0x30), QColor(0x01, 0x02, 0x03)));
    const Layout depth16{.depth = 16, .bitsPerPixel = 16, .redMask = 0xf800, .greenMask = 0x07e0, .blueMask = 0x001f};
    const std::vector<std::uint8_t> white16 = {0xff, 0xff, 0x00, 0xf8};
    const QImage image16 = X11IconPixmap::decode(depth16, white16.data(), 4, 2, 1);
    EXPECT_EQ(std::pair(image16.pixelColor(0, 0), image16.pixelColor(1, 0)),
              std::pair(QColor(Qt::white), QColor(Qt::red)));

    // Colour maps, pixel sizes no server uses, masks that are no channels, absurd paddings.
    const std::vector<std::uint8_t> some(64, 0xff);
    for (const Layout& refused :
         {Layout{.depth = 8, .bitsPerPixel = 8}, Layout{.depth = 24, .bitsPerPixel = 12},
          Layout{.depth = 24, .bitsPerPixel = 32, .redMask = 0xf0f000, .greenMask = 0xff00, .blueMask = 0xff},
          Layout{.depth = 24, .bitsPerPixel = 32, .redMask = 0, .greenMask = 0xff00, .blueMask = 0xff},
          Layout{.depth = 1, .bitsPerPixel = 1, .scanlinePad = 7}, Layout{.depth = 4, .bitsPerPixel = 1}})
        EXPECT_TRUE(X11IconPixmap::decode(refused, some.data(), some.size(), 2, 2).isNull()) << refused.depth;
    EXPECT_TRUE(X11IconPixmap::decode(depth24, some.data(), some.size(), 0, 1).isNull());
}

TEST(DesktopEntryIcon, ReadsTheEntrysIconByTheApplicationsName) {
    test::TempDir home;
    const QByteArray previous = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(home.path().string()));
    std::filesystem::create_directories(home / "applications");
    const auto write = [&](const char* name, const std::string& text) {
        std::ofstream(home / "applications" / name) << text;
    };
    write("gimp.desktop", "[Desktop Action New]\nIcon=wrong\n[Desktop Entry]\nName=GIMP\nIcon=gimp-2.10\n");
    write("sneaky.desktop", "[Desktop Entry]\nIcon=../../etc/passwd\n");
    write("absent.desktop", "[Desktop Entry]\nIcon=/no/such/file.png\n");
    // By the class name as written, else in lower case.
    EXPECT_EQ(DesktopEntryIcon::iconName(QStringLiteral("Gimp")), QStringLiteral("gimp-2.10"));
    // Paths that climb, files that are not there and names with slashes give nothing.
    EXPECT_EQ(DesktopEntryIcon::iconName(QStringLiteral("sneaky")), QString());
    EXPECT_EQ(DesktopEntryIcon::iconName(QStringLiteral("absent")), QString());
    EXPECT_EQ(DesktopEntryIcon::iconName(QStringLiteral("../applications/gimp")), QString());
    EXPECT_EQ(DesktopEntryIcon::iconName(QStringLiteral("nothing")), QString());
    qputenv("XDG_DATA_HOME", previous);
}

} // namespace
} // namespace quorvane
