#pragma once

// A private, size-bounded store of rendered log entries, shared by every process of the program
// and readable back by date. Two files take turns: when the current one would pass half the
// bound it becomes the previous one, and the older previous file is dropped. Files found larger
// than that, left from before, keep only their newest entries.

#include "core/LogSink.h"
#include "core/Result.h"

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

class LogStore : public LogSink {
public:
    static constexpr std::int64_t defaultMaxBytes = 8 << 20;

    explicit LogStore(std::filesystem::path directory, std::int64_t maxBytes = defaultMaxBytes);
    ~LogStore() override;
    LogStore(const LogStore&) = delete;
    LogStore& operator=(const LogStore&) = delete;

    // Thread-safe; safe against other processes appending at the same time. False when the entry
    // could not be stored.
    bool append(const LogEntry& entry) override;

    // Once an entry could not be stored because the folder or the log file cannot be used (a
    // folder, FIFO or link in the file's place, a read-only or full disk): one sentence naming
    // it and the reason. It is said on standard error the first time, and never again by this
    // store. Thread-safe.
    std::optional<std::string> problem() const;

    // The stored entries of process `processId` at or after `sinceMs`, oldest first.
    Result<std::vector<LogEntry>, std::string> read(std::int64_t sinceMs, std::int64_t processId) const;

    const std::filesystem::path& directory() const { return directory_; }

private:
    bool openCurrent();
    void closeCurrent();
    void noteProblem(const std::string& reason);

    const std::filesystem::path directory_;
    const std::int64_t maxFileBytes_;
    std::mutex mutex_;
    int fd_ = -1;
    bool directoryChecked_ = false;
    bool directoryUsable_ = false;
    // Whether files from before were brought within the bound, on the first entry.
    bool trimmed_ = false;
    mutable std::mutex problemMutex_;
    std::optional<std::string> problem_;
};

} // namespace quorvane
