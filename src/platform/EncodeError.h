#pragma once

// Why an encoder (PNG, JPEG, TIFF, GIF) made no file: the image it was given, memory, or the
// library's own complaint.

#include "core/Error.h"

#include <QString>

namespace quorvane::EncodeError {

inline constexpr char errorDomain[] = "Quorvane.Encode";

enum class Kind {
    // Empty, too large for the format, or in a pixel layout the encoder does not take.
    unsupportedImage = 1,
    outOfMemory,
    // The library refused; its own text follows the message.
    libraryFailed,
};

Error error(Kind kind, const QString& detail = {});

} // namespace quorvane::EncodeError
