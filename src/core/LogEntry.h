#pragma once

#include <cstdint>
#include <string>

namespace quorvane {

enum class LogLevel { defaultLevel, info, error };

// "default", "info", "error".
const char* levelName(LogLevel level);

struct LogEntry {
    std::int64_t timeMs = 0; // milliseconds since the Unix epoch, UTC
    std::int64_t processId = 0;
    std::string category;
    LogLevel level = LogLevel::defaultLevel;
    std::string message;

    bool operator==(const LogEntry&) const = default;
};

// "2026-12-06T21:09:38.123Z"
std::string formatLogTime(std::int64_t timeMs);
// The human form written to standard error.
std::string renderLogEntry(const LogEntry& entry);

} // namespace quorvane
