#pragma once

#include "platform/SettingsStore.h"

#include <filesystem>

namespace quorvane {

// Settings kept as one JSON object in a private file under the XDG config folder, replaced
// atomically on every change. A file that cannot be used as it is (unreadable, not JSON, truncated,
// too large, not a regular file) is moved aside, never deleted; every whole entry it still holds
// is kept (of a file that is too large, those within its first 1 MiB).
class JsonSettingsStore final : public SettingsStore {
public:
    // Settings files are small; anything larger is not ours.
    static constexpr qint64 maxBytes = 1 << 20;

    struct Problem {
        std::string reason;
        std::filesystem::path movedTo; // empty when it could not be moved
    };

    explicit JsonSettingsStore(std::filesystem::path file);

    QJsonValue value(const QString& key) const override;
    QJsonObject values() const override { return values_; }
    // Errors: "Quorvane.Settings" code 1, the reason in words.
    Result<void, Error> setValues(const QJsonObject& changes) override;
    bool foundDamaged() const override { return problem_.has_value(); }

    const std::filesystem::path& file() const { return file_; }
    // What was wrong with the file found at start, if anything.
    const std::optional<Problem>& problem() const { return problem_; }

    // The settings of another application id, read only: none when absent or unusable.
    static std::optional<QJsonObject> read(const std::filesystem::path& file);
    // $XDG_CONFIG_HOME/<id>/settings.json
    static std::filesystem::path fileFor(const QString& applicationId);

private:
    Result<void, Error> write();

    std::filesystem::path file_;
    QJsonObject values_;
    std::optional<Problem> problem_;
    bool keepsUnreadableFile_ = false;
};

} // namespace quorvane
