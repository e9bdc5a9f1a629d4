#pragma once

// Another process that holds a folder's lock (flock), as another instance writing the log does.

#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvane::test {

// Holds `folder` locked from a child process until the object goes.
class FolderLockHolder {
public:
    explicit FolderLockHolder(const std::filesystem::path& folder) {
        int ready[2], release[2];
        if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(release, O_CLOEXEC) != 0) return;
        child_ = ::fork();
        if (child_ == 0) {
            ::close(release[1]);
            const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
            char said = fd >= 0 && ::flock(fd, LOCK_EX) == 0 ? 'y' : 'n';
            (void)::write(ready[1], &said, 1);
            // Until the test closes its end.
            (void)::read(release[0], &said, 1);
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        release_ = release[1];
        char said = 'n';
        locked_ = ::read(ready[0], &said, 1) == 1 && said == 'y';
        ::close(ready[0]);
    }
    ~FolderLockHolder() {
        ::close(release_);
        if (child_ > 0) ::waitpid(child_, nullptr, 0);
    }
    bool locked() const { return locked_; }

private:
    pid_t child_ = -1;
    int release_ = -1;
    bool locked_ = false;
};


} // namespace quorvane::test
