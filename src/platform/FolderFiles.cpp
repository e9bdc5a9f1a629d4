#include "platform/FolderFiles.h"

#include <QFile>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane::FolderFiles {

namespace {

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

// Removes what `fd`'s folder holds under `name`, descending into real folders only.
void removeAt(int folderFd, const char* name) {
    struct stat info {};
    if (::fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) return;
    if (!S_ISDIR(info.st_mode)) {
        ::unlinkat(folderFd, name, 0);
        return;
    }
    const int fd = ::openat(folderFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        DIR* dir = ::fdopendir(fd);
        if (dir == nullptr) {
            ::close(fd);
        } else {
            while (dirent* entry = ::readdir(dir)) {
                const std::string_view entryName(entry->d_name);
                if (entryName != "." && entryName != "..") removeAt(::dirfd(dir), entry->d_name);
            }
            ::closedir(dir);
        }
    }
    ::unlinkat(folderFd, name, AT_REMOVEDIR);
}

} // namespace

int renameNoReplace(const QString& from, const QString& to) {
    const QByteArray source = native(from);
    const QByteArray destination = native(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, destination.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // No exclusive rename here: a link never replaces either.
    if (::link(source.constData(), destination.constData()) != 0) return errno;
    ::unlink(source.constData());
    return 0;
}

int setMode(const QString& path, unsigned mode) {
    return ::fchmodat(AT_FDCWD, native(path).constData(), mode, 0) == 0 ? 0 : errno;
}

std::vector<Entry> regularFiles(const QString& folder) {
    std::vector<Entry> entries;
    const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return entries;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return entries;
    }
    while (dirent* entry = ::readdir(dir)) {
        struct stat info {};
        if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode))
            continue;
        const qint64 ms = qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1'000'000;
        entries.push_back({folder + QLatin1Char('/') + QFile::decodeName(entry->d_name),
                           QDateTime::fromMSecsSinceEpoch(ms)});
    }
    ::closedir(dir);
    return entries;
}

void removeContents(const QString& folder) {
    const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return;
    }
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (name != "." && name != "..") names.emplace_back(name);
    }
    for (const std::string& name : names)
        removeAt(::dirfd(dir), name.c_str());
    ::closedir(dir);
}

} // namespace quorvane::FolderFiles
