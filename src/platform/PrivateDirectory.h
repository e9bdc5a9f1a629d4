#pragma once

#include <filesystem>
#include <string>

namespace quorvane::PrivateDirectory {

// Creates `path` (and missing parents) so that only this user can use it: the folder itself gets
// mode 0700. Refuses a folder that is a symbolic link, belongs to someone else or is open to
// others. Returns an empty string on success, else what went wrong.
std::string ensure(const std::filesystem::path& path);

} // namespace quorvane::PrivateDirectory
