#include "app/DiagnosticsError.h"

namespace quorvane {

QString DiagnosticsError::message() const {
    switch (kind) {
    case Case::logStoreUnavailable:
        return QStringLiteral("Quorvane couldn't read its diagnostic log. ") + detail;
    case Case::writeFailed:
        return QStringLiteral("Quorvane couldn't save the diagnostics file. ") + detail;
    }
    return {};
}

Error DiagnosticsError::error() const {
    return Error{QStringLiteral("Quorvane.Diagnostics"), static_cast<int>(kind), message()};
}

} // namespace quorvane
