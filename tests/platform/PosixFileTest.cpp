#include "platform/PosixFile.h"

#include "support/TempDir.h"

#include <QFile>
#include <cerrno>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

namespace fs = std::filesystem;

// A disk that fills up after `room` bytes, a signal that interrupts the first write, and a close
// that can fail: what cannot be arranged with a real disk here.
class ActedOutCalls : public PosixFile::Calls {
public:
    mutable qsizetype room = -1;
    bool interruptFirstWrite = false;
    int closeError = 0;
    mutable int writes = 0;
    mutable bool flushedBeforeClose = false;
    mutable bool closed = false;

    ssize_t write(int fd, const void* data, size_t size) const override {
        if (interruptFirstWrite && writes++ == 0) {
            errno = EINTR;
            return -1;
        }
        if (room == 0) {
            errno = ENOSPC;
            return -1;
        }
        if (room > 0) size = std::min(size, static_cast<size_t>(room));
        const ssize_t written = Calls::write(fd, data, size);
        if (room > 0 && written > 0) room -= written;
        return written;
    }
    int fsync(int fd) const override {
        flushedBeforeClose = !closed;
        return Calls::fsync(fd);
    }
    int close(int fd) const override {
        closed = true;
        const int result = Calls::close(fd);
        if (closeError == 0) return result;
        errno = closeError;
        return -1;
    }
};

QString pathOf(const fs::path& path) {
    return QString::fromStdString(path.string());
}

TEST(PosixFile, FullDiskRemovesThePartialFile) {
    test::TempDir folder;
    ActedOutCalls calls;
    calls.room = 4096;
    const auto failure =
        PosixFile::writeExclusive(pathOf(folder / "shot.png"), QByteArray(10'000, 'x'), calls);
    ASSERT_TRUE(failure);
    EXPECT_EQ(*failure, PosixFile::error(ENOSPC));
    EXPECT_EQ(failure->domain, QStringLiteral("POSIX"));
    EXPECT_EQ(failure->message, QStringLiteral("No space left on device."));
    EXPECT_FALSE(fs::exists(folder / "shot.png"));
}

TEST(PosixFile, RepeatsInterruptedWritesFlushesAndReportsAFailedClose) {
    test::TempDir folder;
    ActedOutCalls interrupted;
    interrupted.interruptFirstWrite = true;
    EXPECT_FALSE(PosixFile::writeExclusive(pathOf(folder / "a"), QByteArray("complete"), interrupted));
    EXPECT_TRUE(interrupted.flushedBeforeClose);
    QFile written(pathOf(folder / "a"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), QByteArray("complete"));

    ActedOutCalls failingClose;
    failingClose.closeError = EIO;
    EXPECT_EQ(PosixFile::writeExclusive(pathOf(folder / "b"), QByteArray("lost"), failingClose),
              PosixFile::error(EIO));
    EXPECT_FALSE(fs::exists(folder / "b"));
}

TEST(PosixFile, NeverTouchesAFileThatExists) {
    test::TempDir folder;
    ASSERT_FALSE(PosixFile::writeExclusive(pathOf(folder / "a"), QByteArray("first")));
    EXPECT_EQ(PosixFile::writeExclusive(pathOf(folder / "a"), QByteArray("second")),
              PosixFile::error(EEXIST));
    fs::create_symlink(folder / "elsewhere", folder / "link");
    EXPECT_EQ(PosixFile::writeExclusive(pathOf(folder / "link"), QByteArray("x")), PosixFile::error(EEXIST));
    EXPECT_FALSE(fs::exists(folder / "elsewhere"));
    EXPECT_EQ(PosixFile::hardLink(pathOf(folder / "a"), pathOf(folder / "link")), PosixFile::error(EEXIST));
    EXPECT_EQ(fs::file_size(folder / "a"), 5u);
    // Numbers the system does not know are reported as an input/output error.
    EXPECT_EQ(PosixFile::error(99999), PosixFile::error(EIO));
}

} // namespace
} // namespace quorvane
