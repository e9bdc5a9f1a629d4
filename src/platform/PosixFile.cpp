#include "platform/PosixFile.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
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

const Calls& Calls::system() {
    static const Calls calls;
    return calls;
}

std::optional<Error> writeExclusive(const QString& path, QByteArrayView bytes, const Calls& calls) {
    const QByteArray name = QFile::encodeName(path);
    const int fd = calls.open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return error(errno);

    int recorded = 0;
    qsizetype offset = 0;
    while (offset < bytes.size()) {
        const ssize_t written =
            calls.write(fd, bytes.data() + offset, static_cast<size_t>(bytes.size() - offset));
        if (written < 0) {
            if (errno == EINTR) continue;
            recorded = errno;
            break;
        }
        if (written == 0) {
            // A write that makes no progress would loop for ever.
            recorded = EIO;
            break;
        }
        offset += written;
    }
    if (recorded == 0 && calls.fsync(fd) != 0) recorded = errno;
    if (calls.close(fd) != 0 && recorded == 0) recorded = errno;
    if (recorded == 0) return std::nullopt;
    calls.unlink(name.constData());
    return error(recorded);
}

std::optional<Error> hardLink(const QString& source, const QString& destination) {
    if (::link(QFile::encodeName(source).constData(), QFile::encodeName(destination).constData()) != 0)
        return error(errno);
    return std::nullopt;
}

void remove(const QString& path) {
    ::unlink(QFile::encodeName(path).constData());
}

} // namespace quorvane::PosixFile
