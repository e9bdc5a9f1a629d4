#include "platform/PrivateDirectory.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane::PrivateDirectory {
namespace {

Failure<Error> refused(Refusal refusal, const std::string& text) {
    return Failure{
        Error{QString::fromLatin1(errorDomain), static_cast<int>(refusal), QString::fromStdString(text)}};
}

} // namespace

Result<void, Error> ensure(const std::filesystem::path& path) {
    std::error_code error;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), error);
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return refused(Refusal::cannotCreate, "cannot create " + path.string() + ": " + std::strerror(errno));
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return refused(Refusal::cannotInspect,
                       "cannot inspect " + path.string() + ": " + std::strerror(errno));
    if (!S_ISDIR(info.st_mode)) return refused(Refusal::notAFolder, path.string() + " is not a folder");
    if (info.st_uid != ::getuid())
        return refused(Refusal::anotherUsers, path.string() + " belongs to another user");
    if ((info.st_mode & 077) != 0 && ::chmod(path.c_str(), 0700) != 0)
        return refused(Refusal::cannotMakePrivate,
                       "cannot make " + path.string() + " private: " + std::strerror(errno));
    return {};
}

} // namespace quorvane::PrivateDirectory
