#include "platform/PosixFile.h"

#include "support/ResultPrinters.h"
#include "support/TempDir.h"

#include <QFile>
#include <cerrno>
#include <fstream>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

namespace fs = std::filesystem;

// A disk that fills up after `room` bytes, signals that interrupt the first writes, and a close
// that fails: what cannot be arranged with a real disk here. `made` records flushes and closes.
struct ActedOutCalls : PosixFile::Calls {
    mutable qsizetype room = -1;
    mutable int interruptions = 0;
    int closeError = 0;
    mutable std::string made;

    ssize_t write(int fd, const void* data, size_t size) const override {
        if (interruptions > 0 || room == 0) {
            errno = interruptions-- > 0 ? EINTR : ENOSPC;
            return -1;
        }
        const ssize_t written = Calls::write(fd, data, room > 0 ? std::min(size, size_t(room)) : size);
        if (room > 0 && written > 0) room -= written;
        return written;
    }
    int fsync(int fd) const override {
        made += "fsync ";
        return Calls::fsync(fd);
    }
    int close(int fd) const override {
        made += "close";
        const int result = Calls::close(fd);
        if (closeError != 0) errno = closeError;
        return closeError != 0 ? -1 : result;
    }
};

QString pathOf(const fs::path& path) {
    return QString::fromStdString(path.string());
}

// Every byte is written, retried when interrupted, and flushed before the file is closed; a full
// disk or a failed close removes the partial file; an existing name is never touched.
TEST(PosixFile, WritesEveryByteFlushedOrNothingAndNeverTouchesAFileThatExists) {
    test::TempDir folder;
    ActedOutCalls full, failingClose, interrupted;
    full.room = 4096;
    const auto failure =
        PosixFile::writeExclusive(pathOf(folder / "shot.png"), QByteArray(10'000, 'x'), full);
    ASSERT_FALSE(failure.ok());
    EXPECT_EQ(failure.error(), PosixFile::error(ENOSPC));
    EXPECT_EQ(failure.error().domain + " " + failure.error().message,
              QStringLiteral("POSIX No space left on device."));
    failingClose.closeError = EIO;
    EXPECT_EQ(PosixFile::writeExclusive(pathOf(folder / "b"), QByteArray("lost"), failingClose),
              Failure{PosixFile::error(EIO)});
    EXPECT_TRUE(fs::is_empty(folder.path()));

    interrupted.interruptions = 2;
    EXPECT_TRUE(PosixFile::writeExclusive(pathOf(folder / "a"), QByteArray("first"), interrupted).ok());
    EXPECT_EQ(interrupted.made, "fsync close");
    QFile written(pathOf(folder / "a"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), QByteArray("first"));

    EXPECT_EQ(PosixFile::writeExclusive(pathOf(folder / "a"), QByteArray("second")),
              Failure{PosixFile::error(EEXIST)});
    fs::create_symlink(folder / "elsewhere", folder / "link");
    EXPECT_EQ(PosixFile::writeExclusive(pathOf(folder / "link"), QByteArray("x")),
              Failure{PosixFile::error(EEXIST)});
    EXPECT_FALSE(fs::exists(folder / "elsewhere"));
    EXPECT_EQ(PosixFile::hardLink(pathOf(folder / "a"), pathOf(folder / "link")),
              Failure{PosixFile::error(EEXIST)});
    // Numbers the system does not know are reported as an input/output error.
    EXPECT_EQ(PosixFile::error(99999), PosixFile::error(EIO));
}

std::string contents(const fs::path& path) {
    QFile file(pathOf(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string("(missing)");
}

// A file the user chose to replace is replaced only once the new one is complete: a full disk,
// a failed close or a directory in its place leaves what was there, and no other file behind.
// The file being written never carries the name's extension, so a crash cannot leave a second
// entry that a reader of "*.desktop" would take.
TEST(PosixFile, ReplacesAFileWholeOrLeavesItAsItWas) {
    test::TempDir folder;
    const fs::path target = folder / "com.quorvane.Quorvane.desktop";
    std::ofstream(target) << "old";
    struct NamingCalls : ActedOutCalls {
        mutable std::vector<std::string> opened;
        int open(const char* path, int flags, mode_t mode) const override {
            opened.push_back(fs::path(path).filename().string());
            return Calls::open(path, flags, mode);
        }
    };
    NamingCalls full, failingClose, fine;
    full.room = 2;
    failingClose.closeError = EIO;
    EXPECT_EQ(PosixFile::writeReplacing(pathOf(target), QByteArray("new entry"), full),
              Failure{PosixFile::error(ENOSPC)});
    EXPECT_EQ(PosixFile::writeReplacing(pathOf(target), QByteArray("new entry"), failingClose),
              Failure{PosixFile::error(EIO)});
    fs::create_directory(folder / "folder");
    EXPECT_EQ(PosixFile::writeReplacing(pathOf(folder / "folder"), QByteArray("x")),
              Failure{PosixFile::error(EISDIR)});
    EXPECT_EQ(contents(target), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 2);

    EXPECT_TRUE(PosixFile::writeReplacing(pathOf(target), QByteArray("new entry"), fine).ok());
    EXPECT_EQ(contents(target), "new entry");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 2);
    ASSERT_EQ(fine.opened.size(), 1u);
    EXPECT_TRUE(fine.opened[0].starts_with(".com.quorvane.Quorvane.desktop.")) << fine.opened[0];
    EXPECT_FALSE(fine.opened[0].ends_with(".desktop"));
    EXPECT_EQ(fine.made, "fsync close");
}

} // namespace
} // namespace quorvane
