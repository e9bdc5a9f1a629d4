#pragma once

// The diagnostics file: a header naming the program, system and machine, then one line per log
// entry this process wrote in the last 24 hours. Holds no state; any thread.

#include "app/DiagnosticsError.h"
#include "core/Result.h"
#include "platform/PosixFile.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

class LogStore;

namespace Diagnostics {

inline constexpr std::int64_t windowMs = 86'400'000;

// What the header says about the program and the machine.
struct Facts {
    QString version;
    std::optional<QString> buildId;
    QString os;
    QString hardware;
    QString architecture;

    bool operator==(const Facts&) const = default;
};

// This program, system and machine.
Facts systemFacts();

// The entries of process `processId` at or after `sinceMs`, oldest first, one line each: the time
// with milliseconds, " [category] ", the level word and the message.
Result<QStringList, DiagnosticsError> entries(const LogStore& store, std::int64_t sinceMs, std::int64_t processId);

// The ten header lines, each ended by a line feed; times in UTC without milliseconds. A log store
// that could not be used, or that dropped entries, says so in one more line each before the last.
QString header(const Facts& facts, std::int64_t sinceMs, std::int64_t nowMs, qsizetype count,
               const std::vector<std::string>& storeProblems = {});

// Writes the header and the entries to `path`, replacing what is there only once the whole file
// is on disk (through a symbolic link of the user's, its target); returns the number of entries.
// A store that could not be used and cannot be read gives a file without entries whose header
// says why. `calls` lets tests fail the writing.
Result<qsizetype, DiagnosticsError> exportRecent(const QString& path, const LogStore& store, const Facts& facts,
                                                 std::int64_t sinceMs, std::int64_t nowMs, std::int64_t processId,
                                                 const PosixFile::Calls& calls = PosixFile::Calls::system());

} // namespace Diagnostics
} // namespace quorvane
