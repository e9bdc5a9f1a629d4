#pragma once

// Drives the application for one parsed link: refuses it while a capture runs, refuses a capture
// that would drop unexported work, arms the capture's one-shot choices and starts the command.

#include "app/URLCommand.h"
#include "core/Result.h"

namespace quorvane {

class URLCommandTarget;

namespace URLCommandRouter {

// Done when the command was carried out (also when its capture then did not start).
Result<void, URLCommand::Rejection> route(const URLCommand& command, URLCommandTarget& target);

} // namespace URLCommandRouter
} // namespace quorvane
