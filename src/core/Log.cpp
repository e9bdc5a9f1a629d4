#include "core/Log.h"

#include <chrono>
#include <cstdio>
#include <unistd.h>

namespace quorvane {
namespace {

std::atomic<int> minimumLevel{static_cast<int>(LogLevel::info)};
std::atomic<bool> echo{true};
std::atomic<LogSink*> installedSink{nullptr};

int rank(LogLevel level) {
    switch (level) {
    case LogLevel::info:
        return 0;
    case LogLevel::defaultLevel:
        return 1;
    case LogLevel::error:
        return 2;
    }
    return 1;
}

} // namespace

bool LogChannel::isEnabled(LogLevel level) const {
    return rank(level) >= rank(static_cast<LogLevel>(minimumLevel.load(std::memory_order_relaxed)));
}

void LogChannel::commit(LogLevel level, const std::string& message) const {
    LogEntry entry;
    entry.timeMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                       .count();
    entry.processId = ::getpid();
    entry.category = category_;
    entry.level = level;
    entry.message = message;
    if (echo.load(std::memory_order_relaxed)) {
        const std::string line = renderLogEntry(entry) + '\n';
        std::fwrite(line.data(), 1, line.size(), stderr);
    }
    if (LogSink* sink = installedSink.load(std::memory_order_acquire)) sink->append(entry);
}

namespace Log {

const LogChannel& app() {
    static const LogChannel channel("app");
    return channel;
}
const LogChannel& capture() {
    static const LogChannel channel("capture");
    return channel;
}
const LogChannel& exporting() {
    static const LogChannel channel("export");
    return channel;
}
const LogChannel& ocr() {
    static const LogChannel channel("ocr");
    return channel;
}

LogSink* installSink(LogSink* sink) {
    return installedSink.exchange(sink, std::memory_order_acq_rel);
}

void setMinimumLevel(LogLevel level) {
    minimumLevel.store(static_cast<int>(level), std::memory_order_relaxed);
}

void setEchoToStandardError(bool value) {
    echo.store(value, std::memory_order_relaxed);
}

} // namespace Log
} // namespace quorvane
