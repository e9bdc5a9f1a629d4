#include "core/LocalFileUrl.h"

#include <QSysInfo>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// Names of any bytes but NUL and "/" come back unchanged, through "file://localhost/" and list
// lines too, raw bytes beyond ASCII included; other hosts, schemes and comments name no file. The
// name shown keeps what is text and marks the rest.
TEST(LocalFileUrl, PathsComeBackAsTheBytesTheyWere) {
    for (const QByteArray& path : {QByteArray("/tmp/caf\xE9.png"), QByteArray("/tmp/a\nb.png"),
                                  QByteArray("/tmp/-%41 #1?.png"), QByteArray("/") + QByteArray(4095, 'a')}) {
        EXPECT_EQ(LocalFileUrl::path(LocalFileUrl::fromPath(path)), path);
        EXPECT_EQ(LocalFileUrl::path(*LocalFileUrl::fromListLine(LocalFileUrl::fromPath(path).toEncoded())),
                  path);
    }
    EXPECT_EQ(LocalFileUrl::path(QUrl("file://LocalHost/tmp/caf%E9.png")), "/tmp/caf\xE9.png");
    const QString self = QSysInfo::machineHostName().toUpper();
    EXPECT_EQ(LocalFileUrl::path(QUrl("file://" + self + "/tmp/a.png")), "/tmp/a.png") << self.toStdString();
    EXPECT_FALSE(LocalFileUrl::otherHost(QUrl("file://" + self + "/tmp/a.png")));
    EXPECT_EQ(LocalFileUrl::otherHost(QUrl("file://elsewhere/tmp/a.png")), QStringLiteral("elsewhere"));
    EXPECT_EQ(LocalFileUrl::path(*LocalFileUrl::fromListLine(" file:///tmp/caf\xE9.png\r")),
              "/tmp/caf\xE9.png");
    EXPECT_EQ(LocalFileUrl::path(*LocalFileUrl::fromListLine("file:/tmp/caf\xC3\xA9.png")),
              "/tmp/caf\xC3\xA9.png");
    for (const char* other : {"file://elsewhere/tmp/a.png", "https://localhost/tmp/a.png",
                              "file:///tmp/a%00.png", "# file:///tmp/a.png", "file:a.png", ""})
        EXPECT_FALSE(LocalFileUrl::fromListLine(other)) << other;
    EXPECT_EQ(LocalFileUrl::displayName(LocalFileUrl::fromPath("/tmp/caf\xE9.png")),
              QStringLiteral("caf\uFFFD.png"));
    EXPECT_EQ(LocalFileUrl::displayName(QUrl::fromLocalFile(QStringLiteral("/tmp/café #1.png"))),
              QStringLiteral("café #1.png"));
}

} // namespace
} // namespace quorvane
