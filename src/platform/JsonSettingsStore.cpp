#include "platform/JsonSettingsStore.h"

#include "core/Log.h"
#include "platform/PrivateDirectory.h"
#include "platform/SettingsLeftovers.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDir>
#include <QFileSystemWatcher>
#include <QJsonDocument>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace quorvane {
namespace {

// "cannot write the settings: No space left on device (errno 28)"
std::string errnoText(const char* what) {
    const int code = errno;
    return std::string(what) + ": " + std::strerror(code) + " (errno " + std::to_string(code) + ")";
}

Failure<Error> notSaved(const std::string& reason) {
    return Failure{Error{QStringLiteral("Quorvane.Settings"), 1, QString::fromStdString(reason)}};
}

struct Loaded {
    std::optional<QJsonObject> values; // none when the file is absent
    std::optional<std::string> problem;
};

// Walks the members of the object a damaged file starts, without judging them: each member found
// whole is parsed on its own afterwards, so one bad value costs only itself.
class MemberScanner {
public:
    explicit MemberScanner(QByteArrayView bytes) : bytes_(bytes) {}

    // The text of each whole member, up to the first one that is cut or broken off by garbage.
    std::optional<std::vector<QByteArrayView>> members() {
        skipSpace();
        if (at_ >= bytes_.size() || bytes_[at_] != '{') return std::nullopt;
        ++at_;
        std::vector<QByteArrayView> found;
        for (;;) {
            skipSpace();
            if (at_ >= bytes_.size() || bytes_[at_] != '"') break;
            const qsizetype start = at_;
            if (!string()) break;
            skipSpace();
            if (at_ >= bytes_.size() || bytes_[at_] != ':') break;
            ++at_;
            skipSpace();
            if (!value()) break;
            found.push_back(bytes_.sliced(start, at_ - start));
            skipSpace();
            if (at_ >= bytes_.size() || bytes_[at_] != ',') break;
            ++at_;
        }
        return found;
    }

private:
    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

    void skipSpace() {
        while (at_ < bytes_.size() && isSpace(bytes_[at_]))
            ++at_;
    }

    // At a quotation mark; false when the string is cut.
    bool string() {
        for (++at_; at_ < bytes_.size();) {
            const char c = bytes_[at_++];
            if (c == '\\')
                ++at_;
            else if (c == '"')
                return true;
        }
        return false;
    }

    // False when the value is cut. A number or word is whole only when a delimiter follows it:
    // "0.9" may be what is left of "0.95".
    bool value() {
        if (at_ >= bytes_.size()) return false;
        if (bytes_[at_] == '"') return string();
        if (bytes_[at_] == '{' || bytes_[at_] == '[') {
            std::size_t depth = 0;
            while (at_ < bytes_.size()) {
                const char c = bytes_[at_];
                if (c == '"') {
                    if (!string()) return false;
                    continue;
                }
                ++at_;
                if (c == '{' || c == '[')
                    ++depth;
                else if ((c == '}' || c == ']') && --depth == 0)
                    return true;
            }
            return false;
        }
        while (at_ < bytes_.size() && !isSpace(bytes_[at_]) && bytes_[at_] != ',' && bytes_[at_] != '}' &&
               bytes_[at_] != ']' && bytes_[at_] != '\0')
            ++at_;
        return at_ < bytes_.size() && bytes_[at_] != '\0';
    }

    QByteArrayView bytes_;
    qsizetype at_ = 0;
};

// What a damaged file still holds: every member that is whole and valid, up to where the file is
// cut or turns into garbage (a crash or a full disk leaves zeros behind).
std::optional<QJsonObject> salvage(QByteArrayView bytes) {
    const auto members = MemberScanner(bytes).members();
    if (!members) return std::nullopt;
    QJsonObject kept;
    for (QByteArrayView member : *members) {
        QJsonParseError error{};
        const QJsonDocument one = QJsonDocument::fromJson('{' + member.toByteArray() + '}', &error);
        if (error.error != QJsonParseError::NoError || !one.isObject()) continue;
        const QJsonObject object = one.object();
        for (auto it = object.begin(); it != object.end(); ++it)
            kept.insert(it.key(), it.value());
    }
    return kept;
}

// What the settings name points at: the file itself, or the target of the symbolic link in its
// place (a dotfiles folder linked into place); none when a link leads nowhere.
std::optional<std::filesystem::path> resolved(const std::filesystem::path& file) {
    struct stat link {};
    if (::lstat(file.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return file;
    char* target = ::realpath(file.c_str(), nullptr);
    if (target == nullptr) return std::nullopt;
    std::filesystem::path path(target);
    std::free(target);
    return path;
}

Loaded load(const std::filesystem::path& file) {
    // A link to nothing is as unusable as a file that cannot be read.
    if (!resolved(file)) return {QJsonObject(), std::string("is a symbolic link to nothing")};
    // Non-blocking, so that a FIFO in the file's place cannot hang the start.
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) return {};
        return {QJsonObject(), errnoText("cannot be opened")};
    }
    Loaded loaded{QJsonObject(), std::nullopt};
    struct stat info {};
    QByteArray bytes;
    if (::fstat(fd, &info) != 0) {
        loaded.problem = errnoText("cannot be inspected");
    } else if (!S_ISREG(info.st_mode)) {
        loaded.problem = "is not a regular file";
    } else {
        // The size may change while reading; never take more than the cap. Of a larger file only
        // the first part is read, for the entries it holds whole.
        bytes.resize(std::min<qsizetype>(static_cast<qsizetype>(info.st_size), JsonSettingsStore::maxBytes) +
                     1);
        qsizetype filled = 0;
        for (;;) {
            if (filled == bytes.size()) {
                if (bytes.size() > JsonSettingsStore::maxBytes) break;
                bytes.resize(std::min<qsizetype>(bytes.size() * 2, JsonSettingsStore::maxBytes + 1));
            }
            const ssize_t count =
                ::read(fd, bytes.data() + filled, static_cast<size_t>(bytes.size() - filled));
            if (count < 0 && errno == EINTR) continue;
            if (count < 0) {
                loaded.problem = errnoText("cannot be read");
                break;
            }
            if (count == 0) break;
            filled += count;
        }
        bytes.truncate(std::min<qsizetype>(filled, JsonSettingsStore::maxBytes));
        if (!loaded.problem && filled > JsonSettingsStore::maxBytes) {
            loaded.problem = "is larger than 1 MiB";
            loaded.values = salvage(bytes).value_or(QJsonObject());
        }
    }
    ::close(fd);
    if (loaded.problem) return loaded;

    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error == QJsonParseError::NoError && document.isObject()) {
        loaded.values = document.object();
        return loaded;
    }
    loaded.problem = error.error == QJsonParseError::NoError
                         ? std::string("does not hold a JSON object")
                         : "is not valid JSON at byte " + std::to_string(error.offset);
    loaded.values = salvage(bytes).value_or(QJsonObject());
    return loaded;
}

// Renames without replacing anything: "settings.json.unreadable-20261206-210938", then "-2"…
std::filesystem::path moveAside(const std::filesystem::path& file) {
    char stamp[32] = {};
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    ::gmtime_r(&now, &parts);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &parts);
    const std::string base = file.string() + ".unreadable-" + stamp;
    for (int attempt = 1; attempt < 100; ++attempt) {
        const std::filesystem::path target = attempt == 1 ? base : base + "-" + std::to_string(attempt);
        if (::renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
            return target;
        // Some file systems cannot rename without replacing; a hard link cannot replace either.
        if ((errno == EINVAL || errno == ENOSYS) && ::link(file.c_str(), target.c_str()) == 0) {
            ::unlink(file.c_str());
            return target;
        }
        if (errno != EEXIST) return {};
    }
    return {};
}

} // namespace

JsonSettingsStore::JsonSettingsStore(std::filesystem::path file, QObject* parent)
    : SettingsStore(parent), file_(std::move(file)) {
    removeLeftovers();
    // Reading needs no lock, as the file is only ever replaced whole; moving a damaged one aside
    // does, so that two instances starting together agree on what they found.
    std::optional<FileLock> lock;
    if (load(file_).problem) lock.emplace(takeLock());
    problem_ = refresh().problem;
    // What was saved must survive the next start too.
    // A failure here shows again at the next change, which is when anyone asks.
    if (problem_ && !values_.isEmpty()) static_cast<void>(save());
}

QJsonValue JsonSettingsStore::value(const QString& key) const {
    return values_.value(key);
}

Result<void, Error> JsonSettingsStore::setValues(const QJsonObject& changes) {
    for (auto it = changes.begin(); it != changes.end(); ++it) {
        values_.insert(it.key(), it.value());
        unsaved_.insert(it.key());
    }
    // The lock file lives in the folder, which the save would make anyway.
    static_cast<void>(PrivateDirectory::ensure(file_.parent_path()));
    const FileLock lock = takeLock();
    announce(refresh().changed);
    Result<void, Error> saved = save();
    if (saved) unsaved_.clear();
    watchFolders();
    return saved;
}

QStringList JsonSettingsStore::reload() {
    const FileLock lock = takeLock();
    const Refreshed refreshed = refresh();
    if (refreshed.problem && !values_.isEmpty()) static_cast<void>(save());
    announce(refreshed.changed);
    watchFolders();
    return refreshed.changed;
}

void JsonSettingsStore::watch() {
    if (watcher_ == nullptr) {
        watcher_ = new QFileSystemWatcher(this);
        // A replacement shows as several changes of the folder (the temporary file, the rename):
        // one reading after them is enough.
        connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
            if (std::exchange(reloadQueued_, true)) return;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    reloadQueued_ = false;
                    reload();
                },
                Qt::QueuedConnection);
        });
    }
    watchFolders();
}

std::filesystem::path JsonSettingsStore::lockFile() const {
    return file_.parent_path() / (file_.filename().string() + ".lock");
}

// The folder of the settings and, through a link, that of its target: the file is replaced by a
// rename in the target's folder, which a watch on the file itself would not outlive.
void JsonSettingsStore::watchFolders() {
    if (watcher_ == nullptr) return;
    std::vector<std::filesystem::path> folders{file_.parent_path()};
    if (const auto target = resolved(file_); target && *target != file_)
        folders.push_back(target->parent_path());
    const QStringList watched = watcher_->directories();
    for (const auto& folder : folders) {
        const QString path = QString::fromStdString(folder.string());
        if (!watched.contains(path) && std::filesystem::is_directory(folder)) watcher_->addPath(path);
    }
}

int JsonSettingsStore::openLockFile() const {
    const std::filesystem::path path = lockFile();
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    // A lock file this user may not write can still be locked for reading's sake: flock needs no
    // write access.
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM))
        fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat info {};
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(fd);
        fd = -1;
        errno = EINVAL;
    }
    return fd;
}

FileLock JsonSettingsStore::takeLock() {
    const std::filesystem::path path = lockFile();
    const int fd = openLockFile();
    // No folder yet: no settings either, and nothing to keep apart.
    if (fd < 0 && errno == ENOENT) return FileLock(-1, LOCK_EX, lockPatience);
    FileLock lock(fd, LOCK_EX, lockPatience);
    // Something that cannot be locked in its place (a folder, a link), or a holder that never lets
    // go, must not cost the change: it is written without the lock, and re-read just before.
    if (!lock.locked() && !std::exchange(lockComplained_, true))
        Log::app().error("Settings lock {} unusable; settings are written without it", path.string());
    return lock;
}

// Beside the file and, through a link, beside its target, where writes make their temporaries.
// Only under the lock had at once: another instance may be writing one right now.
void JsonSettingsStore::removeLeftovers() {
    std::vector<std::filesystem::path> places{file_};
    if (const auto target = resolved(file_); target && *target != file_) places.push_back(*target);
    std::vector<std::pair<int, std::vector<std::string>>> found;
    for (const auto& place : places) {
        const int folder = ::open(place.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder < 0) continue;
        found.emplace_back(folder, SettingsLeftovers::in(folder, place.filename().string()));
    }
    const bool any =
        std::any_of(found.begin(), found.end(), [](const auto& place) { return !place.second.empty(); });
    const FileLock lock(any ? openLockFile() : -1, LOCK_EX, std::chrono::milliseconds(0));
    int removed = 0;
    for (const auto& [folder, names] : found) {
        for (const std::string& name : names) {
            // Looked at again under the lock; a link put in its place meanwhile would go, not its target.
            struct stat info {};
            if (lock.locked() && ::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISREG(info.st_mode) && info.st_uid == ::getuid() && ::unlinkat(folder, name.c_str(), 0) == 0)
                ++removed;
        }
        ::close(folder);
    }
    if (removed > 0)
        Log::app().log("Removed {} temporary settings files left by interrupted writes", removed);
}

JsonSettingsStore::Refreshed JsonSettingsStore::refresh() {
    Loaded loaded = load(file_);
    QJsonObject current;
    Refreshed refreshed;
    if (!loaded.problem) {
        keepsUnreadableFile_ = false;
        // A file that is gone gets back everything this instance knows.
        current = loaded.values.value_or(values_);
    } else {
        refreshed.problem = Problem{*loaded.problem, moveAside(file_)};
        // A file that stayed in place is never written over.
        keepsUnreadableFile_ = refreshed.problem->movedTo.empty();
        Log::app().error("Settings file unusable ({}); moved aside as {}", refreshed.problem->reason,
                         keepsUnreadableFile_ ? std::string("nothing (left in place)")
                                              : refreshed.problem->movedTo.filename().string());
        // What it still holds whole is newer than what this instance knew.
        current = values_;
        const QJsonObject kept = loaded.values.value_or(QJsonObject());
        for (auto it = kept.begin(); it != kept.end(); ++it)
            current.insert(it.key(), it.value());
    }
    // This instance's own changes that are not on disk yet win.
    for (const QString& key : unsaved_)
        current.insert(key, values_.value(key));
    for (auto it = current.begin(); it != current.end(); ++it)
        if (values_.value(it.key()) != it.value()) refreshed.changed << it.key();
    for (auto it = values_.begin(); it != values_.end(); ++it)
        if (!current.contains(it.key())) refreshed.changed << it.key();
    values_ = current;
    return refreshed;
}

void JsonSettingsStore::announce(const QStringList& keys) {
    if (keys.isEmpty()) return;
    QMetaObject::invokeMethod(
        this, [this, keys] { Q_EMIT changedElsewhere(keys); }, Qt::QueuedConnection);
}

Result<void, Error> JsonSettingsStore::save() {
    if (keepsUnreadableFile_ && ::access(file_.c_str(), F_OK) == 0) {
        return notSaved("the unreadable settings file could not be moved aside");
    }
    if (auto ensured = PrivateDirectory::ensure(file_.parent_path()); !ensured)
        return notSaved(ensured.error().message.toStdString());
    // Through a symbolic link the link's target is replaced, in its own folder, and the link
    // stays. A link that leads nowhere, or to what is not a regular file, goes aside as a damaged
    // file would, and a file of our own takes its place.
    std::optional<std::filesystem::path> target = resolved(file_);
    struct stat existing {};
    const bool found = target && ::stat(target->c_str(), &existing) == 0;
    if (!target || (found && !S_ISREG(existing.st_mode))) {
        if (moveAside(file_).empty())
            return notSaved("the settings link that leads nowhere could not be moved aside");
        target = file_;
    }
    const std::filesystem::path directory = target->parent_path();
    const QByteArray bytes = QJsonDocument(values_).toJson(QJsonDocument::Indented);
    std::string temporary =
        (directory / SettingsLeftovers::templateFor(target->filename().string())).string();
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return notSaved(errnoText("cannot create a temporary settings file"));
    // A file of the user's keeps who may read it.
    if (found && S_ISREG(existing.st_mode) && *target != file_) ::fchmod(fd, existing.st_mode & 07777);
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t count =
            ::write(fd, bytes.constData() + written, static_cast<size_t>(bytes.size() - written));
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        written += count;
    }
    // The data must be on disk before the name points at it, or a crash could leave an empty file.
    const bool complete = written == bytes.size() && ::fsync(fd) == 0;
    const std::string failure = complete ? std::string() : errnoText("cannot write the settings");
    ::close(fd);
    if (!complete || ::rename(temporary.c_str(), target->c_str()) != 0) {
        const std::string reason = complete ? errnoText("cannot replace the settings file") : failure;
        ::unlink(temporary.c_str());
        return notSaved(reason);
    }
    if (const int directoryFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        directoryFd >= 0) {
        ::fsync(directoryFd);
        ::close(directoryFd);
    }
    return {};
}

std::optional<QJsonObject> JsonSettingsStore::read(const std::filesystem::path& file) {
    Loaded loaded = load(file);
    if (!loaded.values || loaded.values->isEmpty()) return std::nullopt;
    return loaded.values;
}

std::filesystem::path JsonSettingsStore::fileFor(const QString& applicationId) {
    QString home = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    // The XDG rules ignore relative values.
    if (!QDir::isAbsolutePath(home)) home = QDir::homePath() + QStringLiteral("/.config");
    return std::filesystem::path(home.toStdString()) / applicationId.toStdString() / "settings.json";
}

} // namespace quorvane
