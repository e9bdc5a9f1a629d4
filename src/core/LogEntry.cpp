#include "core/LogEntry.h"

#include <cstdio>
#include <ctime>

namespace quorvane {

const char* levelName(LogLevel level) {
    switch (level) {
    case LogLevel::defaultLevel:
        return "default";
    case LogLevel::info:
        return "info";
    case LogLevel::error:
        return "error";
    }
    return "default";
}

std::string formatLogTime(std::int64_t timeMs) {
    const std::time_t seconds = static_cast<std::time_t>(timeMs >= 0 ? timeMs / 1000 : (timeMs - 999) / 1000);
    const int millis = static_cast<int>(timeMs - static_cast<std::int64_t>(seconds) * 1000);
    std::tm parts{};
    ::gmtime_r(&seconds, &parts);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, millis);
    return text;
}

std::string renderLogEntry(const LogEntry& entry) {
    return formatLogTime(entry.timeMs) + " [" + std::to_string(entry.processId) + "] " + entry.category +
           " " + levelName(entry.level) + ": " + entry.message;
}

} // namespace quorvane
