#pragma once

#include "core/Error.h"

#include <QString>

namespace quorvane {

// Why a diagnostics file could not be made: its log could not be read, or the file not written.
struct DiagnosticsError {
    enum class Case { logStoreUnavailable, writeFailed };

    Case kind = Case::logStoreUnavailable;
    // The system's reason, appended to the message.
    QString detail;

    bool operator==(const DiagnosticsError&) const = default;

    QString message() const;
    // Domain "Quorvane.Diagnostics", codes 0 and 1 in case order.
    Error error() const;
};

} // namespace quorvane
