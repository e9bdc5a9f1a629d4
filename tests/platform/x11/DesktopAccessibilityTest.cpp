#include "platform/DesktopAccessibility.h"
#include "support/SettingsDaemon.h"
#include "support/SettingsFile.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(DesktopAccessibility, FollowsGnomeSettingsAndTheXSettingsManager) {
    test::TempDir folder;
    const auto file = folder / "settings";
    DesktopAccessibility desktop(file);
    EXPECT_FALSE(desktop.reduceMotion());
    EXPECT_FALSE(desktop.increaseContrast());
    int changes = 0;
    QObject::connect(&desktop, &DesktopAccessibility::changed, [&changes] { ++changes; });

    test::storeSettings(file, "[org/gnome/desktop/a11y/interface]\nhigh-contrast=true\n");
    ASSERT_TRUE(test::waitUntil([&] { return desktop.increaseContrast(); }));
    EXPECT_FALSE(desktop.reduceMotion());
    EXPECT_EQ(changes, 1);
    test::storeSettings(file, "[org/gnome/desktop/interface]\nenable-animations=false\n");
    ASSERT_TRUE(test::waitUntil([&] { return desktop.reduceMotion(); }));
    EXPECT_FALSE(desktop.increaseContrast());

    // Where GNOME's settings leave animations on, the XSETTINGS manager may still turn them off.
    test::storeSettings(file, "[org/gnome/desktop/interface]\nenable-animations=true\n");
    ASSERT_TRUE(test::waitUntil([&] { return !desktop.reduceMotion(); }));
    test::SettingsDaemon daemon;
    ASSERT_TRUE(daemon.start("Gtk/EnableAnimations 0\n"));
    ASSERT_TRUE(test::waitUntil([&] { return desktop.reduceMotion(); }));
    const int before = changes;
    ASSERT_TRUE(daemon.serve("Gtk/EnableAnimations 0\nGtk/CursorThemeSize 48\n"));
    ASSERT_TRUE(daemon.serve("Gtk/EnableAnimations 1\n"));
    ASSERT_TRUE(test::waitUntil([&] { return !desktop.reduceMotion(); }));
    EXPECT_EQ(changes, before + 1) << "a setting served again is no change";
}

} // namespace
} // namespace quorvane
