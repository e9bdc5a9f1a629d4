#include "support/XvfbServer.h"

#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// The x11 programs' own server: Qt runs on it, and X clients reach it.
TEST(X11Server, EachProcessHasItsOwnScreen) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    EXPECT_EQ(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 1920, 1080));
    QString output;
    EXPECT_EQ(test::x11Server().run(QStringLiteral("xdpyinfo"), {}, &output), 0);
    EXPECT_TRUE(output.contains(QStringLiteral("MIT-SHM")));
    EXPECT_TRUE(output.contains(QStringLiteral("Composite")));
    EXPECT_TRUE(output.contains(QStringLiteral("XTEST")));
    ASSERT_TRUE(test::x11Server().startWindowManager());
    test::x11Server().stopWindowManager();
}

} // namespace
} // namespace quorvane
