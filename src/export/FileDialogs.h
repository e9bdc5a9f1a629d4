#pragma once

#include "export/FileRequest.h"

namespace quorvane::FileDialogs {

// The real chooser: a non-native dialog, window-modal on the request's window (application-modal
// without one), opened and never run in a nested loop.
void choose(const FileRequest& request, std::function<void(std::optional<QString> path)> done);

} // namespace quorvane::FileDialogs
