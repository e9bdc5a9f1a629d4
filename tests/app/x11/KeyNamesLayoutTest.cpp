#include "app/KeyNames.h"
#include "app/ShortcutFormatter.h"
#include "support/XvfbServer.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// Key names follow the layout the X server uses now, and its changes.
TEST(KeyNamesX11, NamesComeFromTheCurrentLayout) {
    EXPECT_EQ(KeyNames::character(16), QStringLiteral("Y"));
    EXPECT_EQ(KeyNames::character(41), QStringLiteral(";"));
    EXPECT_EQ(ShortcutFormatter::text({21, 0x1900}), QStringLiteral("Ctrl+Alt+Super+4"));
    // Space types only a blank, which is no name.
    EXPECT_EQ(KeyNames::character(49), QStringLiteral("Key 49"));

    ASSERT_EQ(test::x11Server().run(QStringLiteral("setxkbmap"), {QStringLiteral("de")}), 0);
    for (int i = 0; i < 500 && KeyNames::character(16) != QStringLiteral("Z"); ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    EXPECT_EQ(KeyNames::character(16), QStringLiteral("Z"));
    EXPECT_EQ(KeyNames::character(6), QStringLiteral("Y"));
    EXPECT_EQ(KeyNames::character(41), QStringLiteral("\u00D6"));
    EXPECT_EQ(ShortcutFormatter::spoken({16, 0x1000}), QStringLiteral("Control Z"));
    ASSERT_EQ(test::x11Server().run(QStringLiteral("setxkbmap"), {QStringLiteral("us")}), 0);
}

} // namespace
} // namespace quorvane
