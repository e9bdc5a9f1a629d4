#include "platform/XdgDirectories.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace quorvane::XdgDirectories {
namespace {

// The XDG rules ignore relative values.
std::filesystem::path fromEnvironment(const char* name, const std::filesystem::path& fallback) {
    if (const char* value = std::getenv(name); value != nullptr && value[0] == '/') return value;
    return fallback;
}

} // namespace

std::filesystem::path home() {
    if (const char* value = std::getenv("HOME"); value != nullptr && value[0] == '/') return value;
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr)
        return entry->pw_dir;
    return "/tmp";
}

std::filesystem::path stateHome() {
    return fromEnvironment("XDG_STATE_HOME", home() / ".local" / "state");
}

std::filesystem::path cacheHome() {
    return fromEnvironment("XDG_CACHE_HOME", home() / ".cache");
}

std::filesystem::path configHome() {
    return fromEnvironment("XDG_CONFIG_HOME", home() / ".config");
}

} // namespace quorvane::XdgDirectories
