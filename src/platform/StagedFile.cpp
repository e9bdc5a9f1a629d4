#include "platform/StagedFile.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace quorvane {

StagedFile::StagedFile(int fd, QString path, const PosixFile::Calls& calls)
    : fd_(fd), path_(std::move(path)), calls_(&calls) {}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::exchange(other.path_, QString())), calls_(other.calls_) {}

StagedFile::~StagedFile() {
    if (fd_ >= 0)
        calls_->close(fd_);
    else if (!path_.isEmpty())
        calls_->unlink(QFile::encodeName(path_).constData());
}

Result<StagedFile, Error> StagedFile::write(const QString& folder, const QString& hiddenName,
                                            QByteArrayView bytes, const PosixFile::Calls& calls) {
    const int fd = calls.open(QFile::encodeName(folder).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644);
    if (fd >= 0) {
        // Linking through /proc needs no privilege, unlike linking the descriptor itself.
        const QString path = QStringLiteral("/proc/self/fd/") + QString::number(fd);
        StagedFile staged(fd, path, calls);
        if (::access(QFile::encodeName(path).constData(), F_OK) == 0) {
            if (auto written = PosixFile::writeAllFlushed(fd, bytes, calls); !written)
                return Failure{written.error()};
            return staged;
        }
    }
    // No unnamed files here (or no /proc to name them through): the named way reports the
    // folder's own errors too.
    const QString path = folder + QLatin1Char('/') + hiddenName;
    if (auto written = PosixFile::writeExclusive(path, bytes, calls); !written)
        return Failure{written.error()};
    return StagedFile(-1, path, calls);
}

} // namespace quorvane
