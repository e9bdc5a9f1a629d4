#include "platform/AutostartLoginItem.h"

#include "core/AppIdentity.h"
#include "platform/DesktopEntry.h"
#include "platform/XdgDirectories.h"

#include <QFile>
#include <QStandardPaths>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane {
namespace {

// An entry larger than this is not ours and is read no further.
constexpr qsizetype maxEntryBytes = 64 * 1024;

std::optional<QByteArray> readEntry(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    QByteArray bytes;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        char buffer[4096];
        while (bytes.size() < maxEntryBytes) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            bytes.append(buffer, n);
        }
    }
    ::close(fd);
    return bytes;
}

// What the entry's main group says: whether it is switched off, and its command.
struct MainGroup {
    bool switchedOff = false;
    std::optional<QString> exec;
};

MainGroup mainGroup(const QByteArray& entry) {
    MainGroup group;
    bool inMainGroup = false;
    for (QByteArray line : entry.split('\n')) {
        line = line.trimmed();
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!inMainGroup) continue;
        const qsizetype equals = line.indexOf('=');
        if (equals < 0) continue;
        const QByteArray key = line.left(equals).trimmed();
        const QByteArray value = line.mid(equals + 1).trimmed();
        if ((key == "Hidden" && value == "true") || (key == "X-GNOME-Autostart-enabled" && value == "false"))
            group.switchedOff = true;
        if (key == "Exec") group.exec = QString::fromUtf8(value);
    }
    return group;
}

// Whether `exec` starts `program`: the program it names, found where a launcher would find it,
// is executable and is that very file.
bool startsProgram(const std::optional<QString>& exec, const QString& program) {
    const std::optional<QString> named = exec ? DesktopEntry::execProgram(*exec) : std::nullopt;
    if (!named || named->isEmpty()) return false;
    const QString found =
        named->startsWith(QLatin1Char('/')) ? *named : QStandardPaths::findExecutable(*named);
    if (found.isEmpty()) return false;
    const QByteArray path = QFile::encodeName(found);
    struct stat target {};
    struct stat running {};
    return ::access(path.constData(), X_OK) == 0 && ::stat(path.constData(), &target) == 0 &&
           S_ISREG(target.st_mode) && ::stat(QFile::encodeName(program).constData(), &running) == 0 &&
           target.st_dev == running.st_dev && target.st_ino == running.st_ino;
}

} // namespace

AutostartLoginItem::AutostartLoginItem(QString folder, QString program, const PosixFile::Calls& calls)
    : folder_(std::move(folder)), program_(std::move(program)), calls_(calls) {}

QString AutostartLoginItem::defaultFolder() {
    return QString::fromStdString((XdgDirectories::configHome() / "autostart").string());
}

QString AutostartLoginItem::entryPath() const {
    return folder_ + QLatin1Char('/') + QLatin1String(entryName);
}

Result<QString, Error> AutostartLoginItem::entryText(const QString& program) {
    auto exec = DesktopEntry::execLine(program);
    if (!exec) return Failure{exec.error()};
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=%1\n"
                          "Comment=Start %1 in the system tray when you log in\n"
                          "Exec=%2\n"
                          "Terminal=false\n")
        .arg(QLatin1String(applicationName), *exec);
}

LoginItemService::Status AutostartLoginItem::status() const {
    struct stat info {};
    if (program_.isEmpty() || ::stat(QFile::encodeName(program_).constData(), &info) != 0)
        return Status::notFound;
    const QByteArray path = QFile::encodeName(entryPath());
    if (::lstat(path.constData(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? Status::notRegistered : Status::unavailable;
    if (!S_ISREG(info.st_mode)) return Status::unavailable;
    const auto entry = readEntry(path);
    if (!entry) return Status::unavailable;
    // An entry that would start nothing, or another program, starts no Quorvane: switching on
    // writes it anew.
    const MainGroup group = mainGroup(*entry);
    return group.switchedOff || !startsProgram(group.exec, program_) ? Status::notRegistered
                                                                     : Status::enabled;
}

Result<void, Error> AutostartLoginItem::registerItem() {
    const auto text = entryText(program_);
    if (!text) return Failure{text.error()};
    // The XDG folders are private to their user.
    const QByteArray folder = QFile::encodeName(folder_);
    for (qsizetype end = 1; end <= folder.size(); ++end) {
        if (end < folder.size() && folder.at(end) != '/') continue;
        if (::mkdir(folder.left(end).constData(), 0700) != 0 && errno != EEXIST)
            return Failure{PosixFile::error(errno)};
    }
    return PosixFile::writeReplacing(entryPath(), text->toUtf8(), calls_);
}

Result<void, Error> AutostartLoginItem::unregisterItem() {
    if (calls_.unlink(QFile::encodeName(entryPath()).constData()) != 0 && errno != ENOENT)
        return Failure{PosixFile::error(errno)};
    return {};
}

} // namespace quorvane
