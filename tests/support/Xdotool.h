#pragma once

#include <QString>

namespace quorvane::test {

// Runs xdotool against the running x11 test program's server, the way a user's keyboard and
// mouse would reach it. `arguments` are separated by single spaces ("mousemove 10 20 click 1").
// Returns xdotool's exit code, or -1 when it could not run; its output goes to `output`.
int xdotool(const QString& arguments, QString* output = nullptr);

} // namespace quorvane::test
