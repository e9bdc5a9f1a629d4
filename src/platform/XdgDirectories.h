#pragma once

#include <filesystem>

namespace quorvane::XdgDirectories {

// $XDG_STATE_HOME when it is an absolute path, else ~/.local/state.
std::filesystem::path stateHome();
// $XDG_CACHE_HOME, else ~/.cache.
std::filesystem::path cacheHome();
// $XDG_CONFIG_HOME, else ~/.config.
std::filesystem::path configHome();
// $HOME, else the user's home in the password database.
std::filesystem::path home();

} // namespace quorvane::XdgDirectories
