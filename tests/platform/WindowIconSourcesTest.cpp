// The application icons of listed windows: the _NET_WM_ICON words a window gives, and the Icon=
// of a desktop entry. Both come from other programs and are untrusted.

#include "platform/DesktopEntryIcon.h"
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
