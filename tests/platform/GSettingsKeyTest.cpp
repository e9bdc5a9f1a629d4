#include "platform/GSettingsKey.h"
#include "support/SettingsFile.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(GSettingsKey, ReadsTheStoredValueAndFollowsItsChanges) {
    test::TempDir folder;
    const auto file = folder / "settings";
    test::storeSettings(file, "[org/gnome/desktop/a11y/interface]\nhigh-contrast=true\n");
    const auto key = GSettingsKey::boolean("org.gnome.desktop.a11y.interface", "high-contrast", file);
    ASSERT_NE(key, nullptr);
    EXPECT_TRUE(key->value());

    int changes = 0;
    QObject::connect(key.get(), &GSettingsKey::changed, [&changes] { ++changes; });
    test::storeSettings(file, "[org/gnome/desktop/a11y/interface]\nhigh-contrast=false\n");
    ASSERT_TRUE(test::waitUntil([&] { return changes > 0; }));
    EXPECT_FALSE(key->value());
    // A key the store does not hold has the schema's default.
    test::storeSettings(file, "[org/gnome/desktop/interface]\ncursor-size=48\n");
    const auto animations = GSettingsKey::boolean("org.gnome.desktop.interface", "enable-animations", file);
    ASSERT_NE(animations, nullptr);
    EXPECT_TRUE(animations->value());
}

TEST(GSettingsKey, NoKeyWhereNoSchemaOrBooleanKeyIsInstalled) {
    test::TempDir folder;
    const auto file = folder / "settings";
    EXPECT_EQ(GSettingsKey::boolean("com.quorvane.NoSuchSchema", "high-contrast", file), nullptr);
    EXPECT_EQ(GSettingsKey::boolean("org.gnome.desktop.a11y.interface", "no-such-key", file), nullptr);
    // A number is no switch.
    EXPECT_EQ(GSettingsKey::boolean("org.gnome.desktop.interface", "cursor-size", file), nullptr);
}

} // namespace
} // namespace quorvane
