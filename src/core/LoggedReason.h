#pragma once

// The words that follow an error's domain and code in its log line, so that support can read the
// reason without looking the code up.

#include "core/Error.h"

#include <QString>

namespace quorvane {

// " (" + the error's message without its final full stop + ")"; nothing for an error without a
// message. A name in “curly quotes” (a file the user picked) is left out as “…”: a log line
// names what went wrong, never what the user worked on.
QString loggedReason(const Error& error);

} // namespace quorvane
