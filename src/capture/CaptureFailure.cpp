#include "capture/CaptureFailure.h"

namespace quorvane {
namespace {

constexpr const char* cancellationDomain = "Quorvane.Cancellation";

} // namespace

QString message(CaptureFailure failure) {
    switch (failure) {
    case CaptureFailure::permissionRequired:
        return QStringLiteral("Allow Screen Recording for Quorvane in your desktop settings, then retry. If "
                              "the desktop requests it, quit and reopen Quorvane.");
    case CaptureFailure::invalidDimensions:
        return QStringLiteral("The capture dimensions exceed the 32-megapixel limit.");
    }
    return {};
}

Error toError(CaptureFailure failure) {
    return Error{QString::fromLatin1(captureFailureDomain), static_cast<int>(failure), message(failure)};
}

bool isFailure(const Error& error, CaptureFailure failure) {
    return error.domain == QLatin1String(captureFailureDomain) && error.code == static_cast<int>(failure);
}

Error cancellationError() {
    return Error{QString::fromLatin1(cancellationDomain), 1, QStringLiteral("The operation was cancelled.")};
}

bool isCancellation(const Error& error) {
    return error.domain == QLatin1String(cancellationDomain);
}

} // namespace quorvane
