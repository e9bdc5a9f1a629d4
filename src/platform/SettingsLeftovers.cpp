#include "platform/SettingsLeftovers.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane::SettingsLeftovers {

namespace {

constexpr std::string_view mark = ".quorvane-saving-";
constexpr std::size_t randomPart = 6;

} // namespace

std::string templateFor(const std::string& base) {
    return "." + base + std::string(mark) + std::string(randomPart, 'X');
}

bool isTemporaryOf(std::string_view name, const std::string& base) {
    const std::size_t prefix = 1 + base.size() + mark.size();
    if (name.size() != prefix + randomPart || name[0] != '.' || name.substr(1, base.size()) != base ||
        name.substr(1 + base.size(), mark.size()) != mark)
        return false;
    for (const char c : name.substr(prefix))
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
    return true;
}

std::vector<std::string> in(int folder, const std::string& base) {
    std::vector<std::string> found;
    const int listed = ::dup(folder);
    DIR* entries = listed >= 0 ? ::fdopendir(listed) : nullptr;
    if (entries == nullptr) {
        if (listed >= 0) ::close(listed);
        return found;
    }
    while (const dirent* entry = ::readdir(entries)) {
        struct stat info {};
        if (isTemporaryOf(entry->d_name, base) &&
            ::fstatat(folder, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode) &&
            info.st_uid == ::getuid())
            found.emplace_back(entry->d_name);
    }
    ::closedir(entries);
    return found;
}

} // namespace quorvane::SettingsLeftovers
