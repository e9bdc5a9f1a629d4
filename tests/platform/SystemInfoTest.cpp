#include "platform/SystemInfo.h"

#include "support/TempDir.h"

#include <QDateTime>
#include <QRegularExpression>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvane {
namespace {

namespace fs = std::filesystem;

// The firmware's product name first, then an Arm board's device-tree model (ended by a zero
// byte), else "unknown"; invalid bytes are repaired, never passed on.
TEST(SystemInfo, NamesTheMachineFromFirmwareOrDeviceTree) {
    test::TempDir root;
    EXPECT_EQ(SystemInfo::hardwareModel(root.path()), QStringLiteral("unknown"));
    fs::create_directories(root / "proc/device-tree");
    std::ofstream(root / "proc/device-tree/model", std::ios::binary) << std::string("Raspberry Pi 5\0junk", 19);
    EXPECT_EQ(SystemInfo::hardwareModel(root.path()), QStringLiteral("Raspberry Pi 5"));
    fs::create_directories(root / "sys/class/dmi/id");
    std::ofstream(root / "sys/class/dmi/id/product_name") << "ThinkPad \xff X1\n";
    EXPECT_EQ(SystemInfo::hardwareModel(root.path()), QStringLiteral("ThinkPad \uFFFD X1"));
    std::ofstream(root / "sys/class/dmi/id/product_name") << " \n";
    EXPECT_EQ(SystemInfo::hardwareModel(root.path()), QStringLiteral("Raspberry Pi 5"));
}

// A process's start lies after everything that ran before it was made (an earlier process with
// the same id included) and before anything it does itself.
TEST(SystemInfo, AProcessStartsAfterWhatCameBeforeIt) {
    const std::int64_t tick = 1000 / ::sysconf(_SC_CLK_TCK);
    const auto self = SystemInfo::processStartTimeMs();
    ASSERT_TRUE(self);
    EXPECT_LE(*self, QDateTime::currentMSecsSinceEpoch() + tick + 2);
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    const std::int64_t beforeFork = QDateTime::currentMSecsSinceEpoch();
    const pid_t child = ::fork();
    if (child == 0) {
        const std::int64_t start = SystemInfo::processStartTimeMs().value_or(0);
        const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
        const std::int64_t values[2] = {start, now};
        (void)!::write(pipe[1], values, sizeof values);
        ::_exit(0);
    }
    std::int64_t values[2] = {};
    ASSERT_EQ(::read(pipe[0], values, sizeof values), static_cast<ssize_t>(sizeof values));
    ::waitpid(child, nullptr, 0);
    ::close(pipe[0]);
    ::close(pipe[1]);
    EXPECT_GE(values[0], beforeFork);
    // Within a clock tick and a millisecond of the fork.
    EXPECT_LE(values[0], std::max(values[1], beforeFork) + tick + 2);

    const auto id = SystemInfo::buildId();
    ASSERT_TRUE(id);
    EXPECT_GE(id->size(), 16);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9a-f]+$")).match(*id).hasMatch()) << id->toStdString();
}

} // namespace
} // namespace quorvane
