#include "platform/FileLock.h"

#include <algorithm>
#include <cerrno>
#include <sys/file.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace quorvane {

FileLock::FileLock(int fd, int operation, std::chrono::milliseconds patience) : fd_(fd) {
    if (fd_ < 0) return;
    const auto deadline = std::chrono::steady_clock::now() + patience;
    auto pause = std::chrono::microseconds(50);
    while (::flock(fd_, operation | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= deadline) return;
        std::this_thread::sleep_for(pause);
        pause = std::min<std::chrono::microseconds>(pause * 2, std::chrono::milliseconds(5));
    }
    locked_ = true;
}

FileLock::FileLock(FileLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), locked_(std::exchange(other.locked_, false)) {}

FileLock::~FileLock() {
    if (fd_ >= 0) ::close(fd_);
}

} // namespace quorvane
