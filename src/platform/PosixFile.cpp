#include "platform/PosixFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane::PosixFile {

Error error(int code) {
    const char* text = ::strerrordesc_np(code);
    if (text == nullptr) {
        code = EIO;
        text = ::strerrordesc_np(code);
    }
    return Error{QString::fromLatin1(errorDomain), code, QString::fromUtf8(text) + QLatin1Char('.')};
}

bool isError(const Error& candidate, int code) {
    return candidate.domain == QLatin1String(errorDomain) && candidate.code == code;
}

int Calls::open(const char* path, int flags, mode_t mode) const {
    return ::open(path, flags, mode);
}
ssize_t Calls::write(int fd, const void* data, size_t size) const {
    return ::write(fd, data, size);
}
int Calls::fsync(int fd) const {
    return ::fsync(fd);
}
int Calls::close(int fd) const {
    return ::close(fd);
}
int Calls::unlink(const char* path) const {
    return ::unlink(path);
}
int Calls::rename(const char* from, const char* to) const {
    return ::rename(from, to);
}

const Calls& Calls::system() {
    static const Calls calls;
    return calls;
}

Result<void, Error> writeAllFlushed(int fd, QByteArrayView bytes, const Calls& calls) {
    qsizetype offset = 0;
    while (offset < bytes.size()) {
        const ssize_t written =
            calls.write(fd, bytes.data() + offset, static_cast<size_t>(bytes.size() - offset));
        if (written < 0) {
            if (errno == EINTR) continue;
            return Failure{error(errno)};
        }
        // A write that makes no progress would loop for ever.
        if (written == 0) return Failure{error(EIO)};
        offset += written;
    }
    if (calls.fsync(fd) != 0) return Failure{error(errno)};
    return {};
}

namespace {

// Writes and closes `fd`: the first failure of either.
Result<void, Error> writeAndClose(int fd, QByteArrayView bytes, const Calls& calls) {
    auto written = writeAllFlushed(fd, bytes, calls);
    if (calls.close(fd) != 0 && written) return Failure{error(errno)};
    return written;
}

// The file that replacing `path` replaces: through a symbolic link of this user's that leads to a
// regular file (a dotfiles folder linked into place), the link's target, so that the link stays;
// otherwise the name itself. A link of someone else's (planted in a shared folder) is never
// followed.
struct Replaced {
    QString path;
    std::optional<mode_t> keptMode;
};

Replaced replacedFile(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat link {};
    if (::lstat(name.constData(), &link) != 0 || !S_ISLNK(link.st_mode) || link.st_uid != ::geteuid())
        return {path, std::nullopt};
    char* resolved = ::realpath(name.constData(), nullptr);
    if (resolved == nullptr) return {path, std::nullopt};
    const QString target = QFile::decodeName(resolved);
    std::free(resolved);
    struct stat info {};
    if (::stat(QFile::encodeName(target).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return {path, std::nullopt};
    // A file of the user's keeps who may read it.
    return {target, info.st_mode & 07777};
}

} // namespace

Result<void, Error> openForReading(QFile& file, QByteArrayView path) {
    const QByteArray name = path.toByteArray();
    if (name.contains('\0')) return Failure{error(ENOENT)};
    // Without O_NONBLOCK, opening a pipe waits for a writer.
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return Failure{error(errno)};
    struct stat info {};
    int code = 0;
    if (::fstat(fd, &info) != 0)
        code = errno;
    else if (!S_ISREG(info.st_mode))
        code = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    else if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        code = errno;
    if (code == 0 && file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle))
        return {};
    ::close(fd);
    return Failure{error(code != 0 ? code : EIO)};
}

Result<void, Error> writeExclusive(const QString& path, QByteArrayView bytes, const Calls& calls) {
    const QByteArray name = QFile::encodeName(path);
    const int fd = calls.open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return Failure{error(errno)};
    auto written = writeAndClose(fd, bytes, calls);
    if (!written) calls.unlink(name.constData());
    return written;
}

Result<void, Error> writeReplacing(const QString& name, QByteArrayView bytes, const Calls& calls) {
    const auto [path, keptMode] = replacedFile(name);
    const QFileInfo target(path);
    const QString folder = target.absolutePath();
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        const QString suffix = QString::number(QRandomGenerator::system()->generate64(), 36);
        temporary = QFile::encodeName(folder + QStringLiteral("/.") + target.fileName() + QLatin1Char('.') + suffix);
        fd = calls.open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST) return Failure{error(errno)};
    }
    if (fd < 0) return Failure{error(EEXIST)};
    if (keptMode) ::fchmod(fd, *keptMode);
    auto written = writeAndClose(fd, bytes, calls);
    if (written && calls.rename(temporary.constData(), QFile::encodeName(path).constData()) != 0)
        written = Failure{error(errno)};
    if (!written) {
        calls.unlink(temporary.constData());
        return written;
    }
    // The new name itself must survive a crash, not only the bytes behind it.
    if (const int folderFd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return {};
}

Result<void, Error> hardLink(const QString& source, const QString& destination) {
    if (::linkat(AT_FDCWD, QFile::encodeName(source).constData(), AT_FDCWD,
                 QFile::encodeName(destination).constData(), AT_SYMLINK_FOLLOW) != 0)
        return Failure{error(errno)};
    return {};
}

int removeStale(const QString& folder, const std::function<bool(std::string_view name)>& matches,
                std::chrono::seconds age) {
    const int folderFd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0) return 0;
    DIR* entries = ::fdopendir(folderFd);
    if (entries == nullptr) {
        ::close(folderFd);
        return 0;
    }
    const auto now = std::chrono::system_clock::now();
    int removed = 0;
    while (const dirent* entry = ::readdir(entries)) {
        if (!matches(entry->d_name)) continue;
        struct stat info {};
        if (::fstatat(folderFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode) ||
            info.st_uid != ::geteuid())
            continue;
        const auto changed = std::chrono::system_clock::time_point(
            std::chrono::duration_cast<std::chrono::system_clock::duration>(
                std::chrono::seconds(info.st_mtim.tv_sec) + std::chrono::nanoseconds(info.st_mtim.tv_nsec)));
        if (now - changed < age) continue;
        removed += ::unlinkat(folderFd, entry->d_name, 0) == 0;
    }
    ::closedir(entries);
    return removed;
}

void remove(const QString& path) {
    ::unlink(QFile::encodeName(path).constData());
}

} // namespace quorvane::PosixFile
