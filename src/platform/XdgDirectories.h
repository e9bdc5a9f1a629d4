#pragma once

#include <filesystem>

namespace quorvane::XdgDirectories {

// $XDG_STATE_HOME when it is an absolute path, else ~/.local/state.
std::filesystem::path stateHome();
// $XDG_CACHE_HOME, else ~/.cache.
std::filesystem::path cacheHome();

} // namespace quorvane::XdgDirectories
