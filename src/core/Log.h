#pragma once

// The four log channels. Entries go to standard error and to the installed sink (the private log
// store, from which the diagnostics export reads this process's entries back). Never log image data,
// recognised text, clipboard contents or link text.

#include "core/LogFormat.h"
#include "core/LogSink.h"

#include <atomic>

namespace quorvane {

class LogChannel {
public:
    explicit constexpr LogChannel(const char* category) : category_(category) {}

    const char* category() const { return category_; }
    bool isEnabled(LogLevel level) const;

    // Default level: successes and progress.
    template<class... Args>
    void log(std::string_view pattern, const Args&... args) const {
        write(LogLevel::defaultLevel, pattern, args...);
    }
    template<class... Args>
    void info(std::string_view pattern, const Args&... args) const {
        write(LogLevel::info, pattern, args...);
    }
    template<class... Args>
    void error(std::string_view pattern, const Args&... args) const {
        write(LogLevel::error, pattern, args...);
    }

private:
    template<class... Args>
    void write(LogLevel level, std::string_view pattern, const Args&... args) const {
        // Nothing is formatted for a level that is switched off.
        if (!isEnabled(level)) return;
        std::string message;
        LogFormat::format(message, pattern, args...);
        commit(level, message);
    }
    void commit(LogLevel level, const std::string& message) const;

    const char* category_;
};

namespace Log {

const LogChannel& app();
const LogChannel& capture();
// The "export" channel (the word itself is reserved in C++).
const LogChannel& exporting();
const LogChannel& ocr();

// Entries go to `sink` from now on as well as to standard error; null keeps them on standard error
// only. The sink must outlive its installation. Returns the sink installed before.
LogSink* installSink(LogSink* sink);
// Entries below `level` are dropped unformatted; everything is kept by default.
void setMinimumLevel(LogLevel level);
// Whether entries are echoed to standard error (on by default).
void setEchoToStandardError(bool echo);

} // namespace Log

} // namespace quorvane
