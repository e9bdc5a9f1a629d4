#include "platform/StagedFile.h"

#include "support/ResultPrinters.h"
#include "support/TempDir.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

namespace fs = std::filesystem;

// A file system without unnamed files, or a disk that is full: what cannot be arranged here.
struct Refusing : PosixFile::Calls {
    bool unnamedFiles = true;
    bool fullDisk = false;
    int open(const char* path, int flags, mode_t mode) const override {
        if (!unnamedFiles && (flags & O_TMPFILE) == O_TMPFILE) {
            errno = EOPNOTSUPP;
            return -1;
        }
        return Calls::open(path, flags, mode);
    }
    ssize_t write(int fd, const void* data, size_t size) const override {
        if (!fullDisk) return Calls::write(fd, data, size);
        errno = ENOSPC;
        return -1;
    }
};

std::size_t entries(const fs::path& folder) {
    return std::size_t(std::distance(fs::directory_iterator(folder), {}));
}

// Unnamed where the file system allows it, a hidden named file elsewhere; complete either way,
// and gone with the object, or at once when it could not be written.
TEST(StagedFile, UnnamedWhereItCanBeElseHiddenAndGoneEitherWay) {
    test::TempDir folder;
    const QString path = QString::fromStdString(folder.path().string());
    const QByteArray bytes(300'000, 's');
    Refusing calls;
    for (bool unnamedFiles : {true, false}) {
        SCOPED_TRACE(unnamedFiles ? "unnamed" : "named");
        calls.unnamedFiles = unnamedFiles;
        {
            auto staged = StagedFile::write(path, ".hidden.tmp", bytes, calls);
            ASSERT_TRUE(staged);
            EXPECT_EQ(staged->unnamed(), unnamedFiles);
            EXPECT_EQ(entries(folder.path()), unnamedFiles ? 0u : 1u);
            if (!unnamedFiles) {
                EXPECT_EQ(staged->path(), path + "/.hidden.tmp");
            }
            QFile file(staged->path());
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll(), bytes);
            const QString linked = path + "/linked";
            EXPECT_TRUE(PosixFile::hardLink(staged->path(), linked).ok());
            EXPECT_EQ(PosixFile::hardLink(staged->path(), linked), Failure{PosixFile::error(EEXIST)});
            fs::remove(folder / "linked");
        }
        EXPECT_EQ(entries(folder.path()), 0u);
        calls.fullDisk = true;
        EXPECT_EQ(StagedFile::write(path, ".hidden.tmp", bytes, calls).error(), PosixFile::error(ENOSPC));
        EXPECT_EQ(entries(folder.path()), 0u);
        calls.fullDisk = false;
    }
    EXPECT_EQ(StagedFile::write(path + "/missing", ".hidden.tmp", bytes).error(), PosixFile::error(ENOENT));
}

} // namespace
} // namespace quorvane
