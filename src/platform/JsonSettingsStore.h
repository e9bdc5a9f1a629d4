#pragma once

#include "platform/FileLock.h"
#include "platform/SettingsStore.h"

#include <QSet>
#include <chrono>
#include <filesystem>

class QFileSystemWatcher;

namespace quorvane {

// Settings kept as one JSON object in a private file under the XDG config folder, replaced
// atomically on every change. A file that cannot be used as it is (unreadable, not JSON, truncated,
// too large, not a regular file) is moved aside, never deleted; every whole entry it still holds
// is kept (of a file that is too large, those within its first 1 MiB).
//
// Instances on other displays share the file. Every change is written under a lock (flock on
// "settings.json.lock" beside the file): the file is read again, this instance's unsaved changes
// go over what it holds now, and the result replaces it, so that no instance loses another's
// change. A lock file that cannot be locked (a folder or link in its place) or a holder that
// keeps it longer than `lockPatience` costs the lock, never the change. A write killed before its
// rename leaves its temporary file (".settings.json.quorvane-saving-XXXXXX") behind: a start
// removes those, when no other instance holds the lock, and no other file. GUI thread only.
class JsonSettingsStore final : public SettingsStore {
    Q_OBJECT

public:
    // Settings files are small; anything larger is not ours.
    static constexpr qint64 maxBytes = 1 << 20;
    static constexpr std::chrono::milliseconds lockPatience{1000};

    struct Problem {
        std::string reason;
        std::filesystem::path movedTo; // empty when it could not be moved
    };

    explicit JsonSettingsStore(std::filesystem::path file, QObject* parent = nullptr);

    QJsonValue value(const QString& key) const override;
    QJsonObject values() const override { return values_; }
    // Errors: "Quorvane.Settings" code 1, the reason in words.
    Result<void, Error> setValues(const QJsonObject& changes) override;
    bool foundDamaged() const override { return problem_.has_value(); }

    // From now on, reads the file again whenever something in its folder (or its link target's)
    // changes, and announces what another process changed (changedElsewhere).
    void watch();
    // Reads the file again under the lock: what another process stored is taken, what this one
    // has not saved yet stays. A damaged file is handled as at start. Returns the keys whose
    // values changed, which are also announced.
    QStringList reload();

    const std::filesystem::path& file() const { return file_; }
    std::filesystem::path lockFile() const;
    // What was wrong with the file found at start, if anything.
    const std::optional<Problem>& problem() const { return problem_; }

    // The settings of another application id, read only: none when absent or unusable.
    static std::optional<QJsonObject> read(const std::filesystem::path& file);
    // $XDG_CONFIG_HOME/<id>/settings.json
    static std::filesystem::path fileFor(const QString& applicationId);

private:
    struct Refreshed {
        QStringList changed;
        std::optional<Problem> problem;
    };

    // The lock file, open; -1 with errno set when it cannot be.
    int openLockFile() const;
    FileLock takeLock();
    void removeLeftovers();
    // Under the lock: the file as it is now, with this instance's unsaved changes over it.
    Refreshed refresh();
    // Under the lock: replaces the file with `values_`.
    Result<void, Error> save();
    void announce(const QStringList& keys);
    void watchFolders();

    std::filesystem::path file_;
    QJsonObject values_;
    // Keys changed here that are not on disk yet.
    QSet<QString> unsaved_;
    std::optional<Problem> problem_;
    bool keepsUnreadableFile_ = false;
    bool lockComplained_ = false;
    QFileSystemWatcher* watcher_ = nullptr;
    bool reloadQueued_ = false;
};

} // namespace quorvane
