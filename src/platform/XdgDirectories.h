#pragma once

#include <filesystem>

namespace quorvane::XdgDirectories {

// $XDG_STATE_HOME when it is an absolute path, else ~/.local/state.
std::filesystem::path stateHome();

} // namespace quorvane::XdgDirectories
