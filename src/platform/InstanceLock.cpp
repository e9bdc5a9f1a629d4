#include "platform/InstanceLock.h"

#include "core/AppIdentity.h"
#include "platform/PrivateDirectory.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quorvane {

std::filesystem::path InstanceLock::runtimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') return std::filesystem::path(runtime) / applicationId;
    return std::filesystem::temp_directory_path() /
           (std::string(applicationId) + "-" + std::to_string(getuid()));
}

namespace {

// ":1.0" and ":1" are the same display; the host part stays, made safe for a file name.
std::string displayKey(const std::string& display) {
    std::string name = display;
    if (const auto colon = name.rfind(':'); colon != std::string::npos) {
        if (const auto dot = name.find('.', colon); dot != std::string::npos) name.erase(dot);
    }
    for (char& c : name)
        if (c == '/' || c == ':') c = '_';
    if (name.empty()) name = "none";
    return name;
}

} // namespace

std::string InstanceLock::fileName(const std::string& display) {
    return "instance-" + displayKey(display) + ".lock";
}

std::string InstanceLock::socketName(const std::string& display) {
    return "instance-" + displayKey(display) + ".socket";
}

InstanceLock::InstanceLock(const std::filesystem::path& file) {
    if (const auto ensured = PrivateDirectory::ensure(file.parent_path()); !ensured) {
        problem_ = ensured.error().message.toStdString();
        return;
    }
    fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) {
        problem_ = "Cannot open " + file.string() + ": " + std::strerror(errno);
        return;
    }
    int result;
    do
        result = ::flock(fd_, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result == 0) {
        outcome_ = Outcome::acquired;
        return;
    }
    outcome_ = errno == EWOULDBLOCK ? Outcome::heldElsewhere : Outcome::failed;
    if (outcome_ == Outcome::failed) problem_ = "Cannot lock " + file.string() + ": " + std::strerror(errno);
    ::close(fd_);
    fd_ = -1;
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) ::close(fd_);
}

} // namespace quorvane
