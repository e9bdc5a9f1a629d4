#pragma once

#include "core/Log.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace quorvane::test {

// Keeps the messages of one log channel written while it is installed, from any thread, and
// passes every entry on to the sink that was installed before it (the test store).
class LogLines : public LogSink {
public:
    explicit LogLines(std::string category) : category_(std::move(category)) {
        previous_ = Log::installSink(this);
    }
    ~LogLines() override { Log::installSink(previous_); }
    LogLines(const LogLines&) = delete;
    LogLines& operator=(const LogLines&) = delete;

    bool append(const LogEntry& entry) override {
        {
            const std::lock_guard lock(mutex_);
            if (entry.category == category_) lines_.push_back(entry.message);
        }
        return previous_ == nullptr || previous_->append(entry);
    }
    std::vector<std::string> lines() const {
        const std::lock_guard lock(mutex_);
        return lines_;
    }
    long count(const std::string& line) const {
        const std::lock_guard lock(mutex_);
        return std::count(lines_.begin(), lines_.end(), line);
    }

private:
    const std::string category_;
    LogSink* previous_ = nullptr;
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

} // namespace quorvane::test
