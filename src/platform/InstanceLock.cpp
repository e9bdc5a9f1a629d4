#include "platform/InstanceLock.h"

#include "core/AppIdentity.h"
#include "platform/PrivateDirectory.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <string_view>
#include <sys/file.h>
#include <unistd.h>

namespace quorvane {

std::filesystem::path InstanceLock::runtimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') return std::filesystem::path(runtime) / applicationId;
    std::string name = applicationId;
    name += '-';
    name += std::to_string(getuid());
    return std::filesystem::temp_directory_path() / name;
}

namespace {

bool allDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "N" or "N.S" as xcb reads it, without the signs and spaces strtoul would let through: N in
// plain decimal, or none.
std::optional<std::string> displayNumber(std::string_view text) {
    if (const auto dot = text.find('.'); dot != std::string_view::npos) {
        if (!allDigits(text.substr(dot + 1))) return std::nullopt;
        text = text.substr(0, dot);
    }
    if (!allDigits(text) || text.size() > 9) return std::nullopt;
    const auto first = text.find_first_not_of('0');
    return std::string(first == std::string_view::npos ? "0" : text.substr(first));
}

// ":N" for every name by which xcb reaches local display N through its Unix socket: ":N",
// "unix:N", "unix/:N", "unix/unix:N" and "/tmp/.X11-unix/XN", each with or without a screen.
// Names over TCP ("localhost:N", this host's name) stay apart: such a name may lead to another
// server (ssh forwards displays to localhost:10 and up). None for any other name.
std::optional<std::string> localDisplay(std::string_view display) {
    constexpr std::string_view socketFolder = "/tmp/.X11-unix/X";
    if (display.starts_with(socketFolder)) {
        const auto number = displayNumber(display.substr(socketFolder.size()));
        return number ? std::optional(":" + *number) : std::nullopt;
    }
    std::string_view protocol;
    if (const auto slash = display.rfind('/'); slash != std::string_view::npos) {
        protocol = display.substr(0, slash);
        if (protocol != "unix") return std::nullopt;
        display.remove_prefix(slash + 1);
    }
    const auto colon = display.rfind(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const std::string_view host = display.substr(0, colon);
    if (!host.empty() && host != "unix") return std::nullopt;
    const auto number = displayNumber(display.substr(colon + 1));
    return number ? std::optional(":" + *number) : std::nullopt;
}

// One key per display: the screen does not count (":1.0" is ":1"), nor does the name by which a
// local display is reached. Other names keep their host part, made safe for a file name.
std::string displayKey(const std::string& display) {
    std::string name = localDisplay(display).value_or(display);
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
