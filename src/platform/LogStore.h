#pragma once

// A private, size-bounded store of rendered log entries, shared by every process of the program
// and readable back by date. Two files take turns: when the current one would pass half the
// bound it becomes the previous one, and the older previous file is dropped. Files found larger
// than that, left from before, keep only their newest entries.
//
// Writing never waits for another process: when the folder's lock cannot be had at once, entries
// wait in memory, in order, and a worker thread writes them once it is free. What passes the
// waiting bound is dropped, and the store says so once.

#include "core/LogSink.h"
#include "core/Result.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quorvane {

class LogStore : public LogSink {
public:
    static constexpr std::int64_t defaultMaxBytes = 8 << 20;
    // Stored lines that may wait for the folder's lock; later entries are dropped.
    static constexpr std::size_t maxWaitingBytes = 1 << 20;

    explicit LogStore(std::filesystem::path directory, std::int64_t maxBytes = defaultMaxBytes);
    // Writes what still waits if the lock comes within a moment; the rest counts as dropped.
    ~LogStore() override;
    LogStore(const LogStore&) = delete;
    LogStore& operator=(const LogStore&) = delete;

    // Thread-safe; safe against other processes appending at the same time; never waits for their
    // lock. False when the entry could neither be stored nor wait to be.
    bool append(const LogEntry& entry) override;
    // Writes the waiting entries, waiting up to `patience` for the lock; true when none is left. A
    // process that ends without destroying its store calls this first.
    bool flush(std::chrono::milliseconds patience);

    // Once an entry could not be stored because the folder or the log file cannot be used (a
    // folder, FIFO or link in the file's place, a read-only or full disk): one sentence naming
    // it and the reason. It is said on standard error the first time, and never again by this
    // store. Thread-safe.
    std::optional<std::string> problem() const;
    // Once entries were dropped because another process kept the folder locked past the waiting
    // bound: one sentence saying how many and why. It is said on standard error once, when the
    // entries that waited are written (or the store ends); the count here is the total so far.
    std::optional<std::string> dropped() const;

    // The entries of process `processId` at or after `sinceMs`, oldest first, those still
    // waiting for the lock included.
    Result<std::vector<LogEntry>, std::string> read(std::int64_t sinceMs, std::int64_t processId) const;

    const std::filesystem::path& directory() const { return directory_; }

private:
    enum class Written { all, locked, failed };

    // Under `mutex_`: the waiting entries and then `line` (if any), under the folder's lock.
    Written writeWaiting(const std::string* line, std::chrono::milliseconds patience);
    bool writeLine(std::string line);
    void keepWaiting(std::string line);
    void retryWaiting();
    bool openCurrent();
    void closeCurrent();
    void noteProblem(const std::string& reason);
    void say(const std::string& sentence) const;
    std::optional<std::string> droppedSentence() const;

    const std::filesystem::path directory_;
    const std::int64_t maxFileBytes_;
    mutable std::mutex mutex_;
    std::deque<std::string> waiting_;
    std::size_t waitingBytes_ = 0;
    std::int64_t droppedCount_ = 0;
    bool droppedSaid_ = false;
    // Started when an entry first has to wait.
    std::thread retrier_;
    std::condition_variable wake_;
    bool stopping_ = false;
    int fd_ = -1;
    bool directoryChecked_ = false;
    bool directoryUsable_ = false;
    // Whether files from before were brought within the bound, on the first entry.
    bool trimmed_ = false;
    mutable std::mutex problemMutex_;
    std::optional<std::string> problem_;
};

} // namespace quorvane
