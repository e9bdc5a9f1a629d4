#pragma once

#include "core/LogEntry.h"

namespace quorvane {

// Where log entries are kept beyond standard error; the program installs its store at start-up.
class LogSink {
public:
    virtual ~LogSink() = default;
    // Called from any thread. False when the entry could not be kept.
    virtual bool append(const LogEntry& entry) = 0;
};

} // namespace quorvane
