#pragma once

// The capture subsystem's own failures, and the cancellation that ends a capture quietly.

#include "core/Error.h"

#include <QString>

namespace quorvane {

enum class CaptureFailure {
    permissionRequired = 0,
    invalidDimensions = 1,
};

inline constexpr const char* captureFailureDomain = "Quorvane.CaptureFailure";

QString message(CaptureFailure failure);
// Domain "Quorvane.CaptureFailure", the case's position as code, its message.
Error toError(CaptureFailure failure);
// Whether `error` is exactly that failure.
bool isFailure(const Error& error, CaptureFailure failure);

// A capture (or an area selection) ended because the user or the program cancelled it. Callers
// report it as a cancelled capture, never as a failure.
Error cancellationError();
bool isCancellation(const Error& error);

} // namespace quorvane
