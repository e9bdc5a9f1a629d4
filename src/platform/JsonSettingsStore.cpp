#include "platform/JsonSettingsStore.h"

#include "platform/PrivateDirectory.h"

#include <QByteArray>
#include <QDir>
#include <QJsonDocument>
#include <QStandardPaths>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane {
namespace {

std::string errnoText(const char* what) {
    return std::string(what) + " (errno " + std::to_string(errno) + ")";
}

struct Loaded {
    std::optional<QJsonObject> values; // none when the file is absent
    std::optional<std::string> problem;
};

// A truncated file keeps its complete members: cut at a top-level comma before the fault and
// close the object there. Commas inside strings or nested values never give valid JSON.
std::optional<QJsonObject> salvage(const QByteArray& bytes, qsizetype faultOffset) {
    if (!bytes.trimmed().startsWith('{')) return std::nullopt;
    int attempts = 0;
    for (qsizetype cut = std::min(faultOffset, bytes.size()) - 1; cut > 0 && attempts < 64; --cut) {
        if (bytes[cut] != ',') continue;
        ++attempts;
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(bytes.left(cut) + '}', &error);
        if (error.error == QJsonParseError::NoError && document.isObject()) return document.object();
    }
    return std::nullopt;
}

Loaded load(const std::filesystem::path& file) {
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
    } else if (info.st_size > JsonSettingsStore::maxBytes) {
        loaded.problem = "is larger than 1 MiB";
    } else {
        // The size may change while reading; never take more than the cap.
        bytes.resize(static_cast<qsizetype>(info.st_size) + 1);
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
        bytes.truncate(filled);
        if (!loaded.problem && filled > JsonSettingsStore::maxBytes) loaded.problem = "is larger than 1 MiB";
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
    loaded.values =
        salvage(bytes, error.error == QJsonParseError::NoError ? 0 : error.offset).value_or(QJsonObject());
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

JsonSettingsStore::JsonSettingsStore(std::filesystem::path file) : file_(std::move(file)) {
    Loaded loaded = load(file_);
    values_ = loaded.values.value_or(QJsonObject());
    if (!loaded.problem) return;
    problem_ = Problem{*loaded.problem, moveAside(file_)};
    // A file that stayed in place is never written over.
    keepsUnreadableFile_ = problem_->movedTo.empty();
    // What was saved must survive the next start too.
    if (!values_.isEmpty()) write();
}

QJsonValue JsonSettingsStore::value(const QString& key) const {
    return values_.value(key);
}

bool JsonSettingsStore::setValues(const QJsonObject& changes) {
    for (auto it = changes.begin(); it != changes.end(); ++it)
        values_.insert(it.key(), it.value());
    return write();
}

bool JsonSettingsStore::write() {
    if (keepsUnreadableFile_ && ::access(file_.c_str(), F_OK) == 0) {
        lastError_ = "the unreadable settings file could not be moved aside";
        return false;
    }
    const std::filesystem::path directory = file_.parent_path();
    if (std::string refused = PrivateDirectory::ensure(directory); !refused.empty()) {
        lastError_ = refused;
        return false;
    }
    const QByteArray bytes = QJsonDocument(values_).toJson(QJsonDocument::Indented);
    std::string temporary = (directory / ("." + file_.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        lastError_ = errnoText("cannot create a temporary settings file");
        return false;
    }
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
    if (!complete || ::rename(temporary.c_str(), file_.c_str()) != 0) {
        lastError_ = complete ? errnoText("cannot replace the settings file") : failure;
        ::unlink(temporary.c_str());
        return false;
    }
    if (const int directoryFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        directoryFd >= 0) {
        ::fsync(directoryFd);
        ::close(directoryFd);
    }
    lastError_.clear();
    return true;
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
