#pragma once

#include "core/Error.h"
#include "core/Result.h"

#include <filesystem>

namespace quorvane::PrivateDirectory {

inline constexpr char errorDomain[] = "Quorvane.PrivateFolder";

enum class Refusal {
    cannotCreate = 1,
    cannotInspect,
    notAFolder,
    anotherUsers,
    cannotMakePrivate,
};

// Creates `path` (and missing parents) so that only this user can use it: the folder itself gets
// mode 0700. Refuses a folder that is a symbolic link, belongs to someone else or is open to
// others. Errors: `errorDomain`, a `Refusal` as the code, what went wrong in words.
Result<void, Error> ensure(const std::filesystem::path& path);

} // namespace quorvane::PrivateDirectory
